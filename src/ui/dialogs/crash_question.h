#pragma once

#include <string>

class QWidget;

// The crash question as brindleftp-crash-question asks it for a process that has crashed.

// True when someone could see and answer a window: an X11 or Wayland display, or a Qt platform
// that draws on the screen itself. Qt's offscreen and minimal platforms show nothing.
bool CrashQuestionCanBeShown();

// Asks "Abnormal Signal Crash" about signal in a modal box; true on "Yes".
bool AskCrashQuestion(int signal, QWidget* parent = nullptr);

// The help folder's page on reporting a problem; "" when it is missing.
std::string CrashReportPagePath();
// Opens it in the browser; false when it is missing or could not be opened.
bool OpenCrashReportPage();
