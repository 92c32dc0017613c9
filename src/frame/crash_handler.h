#pragma once

#include <string>

class UserInterfaceServices;

// Where a crash report is filed. Never contacted by the program itself: the user's browser opens
// it when the user agrees.
inline constexpr char kCrashReportPage[] = "https://www.velmorsoftware.example/bugreport";
inline constexpr char kCrashQuestionTitle[] = "Abnormal Signal Crash";

// The services that ask the crash question, set once at start-up by a program with windows.
// Without them (brindleftp-cli) the question and the report address go to standard error and
// the answer is No.
void SetCrashReportServices(UserInterfaceServices* ui);

// "SIGNAL<n>".
std::string CrashExceptionCode(int signal);
std::string CrashQuestionText(int signal);
// The report page with the query that names the signal, the crashing thread (its kernel thread
// id) and the system: the platform field reads "Linux" with the kernel's major version and its
// minor version as two digits (6.1 gives "Linux601").
std::string CrashReportAddress(int signal);

// Asks the crash question the first time it is called in the process and opens the report
// page on Yes; later calls do nothing. True when it asked.
bool ReportCrashOnce(int signal);

// The handler of the fatal signals. The first crash is reported, then the signal's default
// disposition is put back and the signal raised again, so the process ends with it instead of
// faulting again. A fatal signal that arrives while the first report is still up (on another
// thread) returns at once and shows nothing.
void CrashSignalHandler(int signal);
