#pragma once

#include <string>

// The program's read-only resources (shipped components, the installation template, help):
// "share/brindleftp" under the installation prefix; for a program that runs from its build
// tree, the source tree's "resources" folder. "" when neither can be found.
std::string GetResourcesFolder();
