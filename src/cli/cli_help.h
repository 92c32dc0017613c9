#pragma once

#include <string>

// The text of brindleftp-cli --help.
std::string CliHelpText();
