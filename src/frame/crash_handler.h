#pragma once

#include <string>
#include <string_view>

// A crash is asked about by a fresh process, brindleftp-crash-question, never by the crashed
// one, whose heap, locks and windows may be what broke. The helper takes the signal's name
// ("SIGSEGV") as its one argument and ends with the answer as its status:
inline constexpr int kCrashAnswerNo = 0;   // No, or no window could be shown (no display)
inline constexpr int kCrashAnswerYes = 1;  // Yes: the help page on reporting a problem was opened
inline constexpr int kCrashQuestionMisused = 2;  // no signal name, or one it does not know
// (127: the crashed process could not start it.)

inline constexpr char kCrashQuestionProgram[] = "brindleftp-crash-question";
inline constexpr char kCrashQuestionTitle[] = "Abnormal Signal Crash";
// The help folder's page that "Yes" opens.
inline constexpr char kCrashReportHelpPage[] = "reporting";
// For scripted runs: the helper shows nothing and answers Yes when this is "yes", else No...
inline constexpr char kCrashAnswerVariable[] = "BRINDLE_CRASH_ANSWER";
// ...and appends "<signal name> yes <page path>" or "<signal name> no" to the file named here.
inline constexpr char kCrashRecordVariable[] = "BRINDLE_CRASH_RECORD";

// "SIGNAL<n>".
std::string CrashExceptionCode(int signal);
std::string CrashQuestionText(int signal);
// The names of the four fatal signals ("SIGSEGV"); "" or 0 for any other.
std::string_view CrashSignalName(int signal);
int CrashSignalFromName(std::string_view name);

// The helper beside the running program; "" when the program's own path cannot be read.
std::string CrashQuestionProgramPath();

// Sends SIGQUIT, SIGILL, SIGFPE and SIGSEGV to CrashSignalHandler, which asks through the helper
// at helperPath. Each program's main calls it once, early. False when the helper is not there
// (a crash then ends the process without asking) or a handler could not be set.
bool InstallCrashHandler();
bool InstallCrashHandler(const std::string& helperPath);

// The first time it is called in the process: starts the helper for signal and waits for it, at
// most five minutes (a helper still asking then is left to the user), and returns true, also
// when the helper could not be started. Later calls return false at once. Safe inside a signal
// handler.
bool AskCrashQuestionOnce(int signal);

// The first fatal signal is asked about; then the signal's default disposition is put back and
// the signal raised again, so the process ends by it instead of faulting again. A fatal signal
// that arrives while the question is still up (on another thread) returns at once.
void CrashSignalHandler(int signal);
