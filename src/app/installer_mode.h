#pragma once

// `brindleftp -installer [-username NAME]`, run with administrator rights after installation:
// copies the installation template into the named user's data folder and hands it to them, moves
// the all-users site accounts into that user's settings store and records the installation
// date there. Needs no display. Always returns 0: every step is tried whatever became of the
// others.
int RunInstallerMode(int argc, char** argv);
