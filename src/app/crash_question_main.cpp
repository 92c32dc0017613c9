// brindleftp-crash-question SIGNALNAME: asks the user about a crash of the program that started
// it; the exit status is the answer (frame/crash_handler.h).
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frame/crash_handler.h"
#include "ui/dialogs/crash_question.h"

namespace {

int Answer(bool yes) {
    return yes ? kCrashAnswerYes : kCrashAnswerNo;
}

// A scripted run shows nothing; it only says, when asked to, what it was asked and where "Yes"
// would have gone.
int AnswerAsScripted(const char* signalName, const char* answer) {
    const bool yes = std::strcmp(answer, "yes") == 0;
    if (const char* record = std::getenv(kCrashRecordVariable); record != nullptr) {
        if (std::FILE* file = std::fopen(record, "a"); file != nullptr) {
            std::fprintf(file, "%s %s%s%s\n", signalName, yes ? "yes" : "no", yes ? " " : "",
                         yes ? CrashReportPagePath().c_str() : "");
            std::fclose(file);
        }
    }
    return Answer(yes);
}

// Nobody could answer a window: the crashed program's terminal or journal gets the facts.
int AnswerWithoutDisplay(int signal) {
    const std::string page = CrashReportPagePath();
    std::fprintf(stderr, "Brindle FTP has crashed with an abnormal exception (\"%s\").\n",
                 CrashExceptionCode(signal).c_str());
    if (!page.empty()) {
        std::fprintf(stderr, "How to report it: %s\n", page.c_str());
    }
    return kCrashAnswerNo;
}

}  // namespace

int main(int argc, char** argv) {
    const int signal = argc == 2 ? CrashSignalFromName(argv[1]) : 0;
    if (signal == 0) {
        std::fputs("Usage: brindleftp-crash-question SIGQUIT|SIGILL|SIGFPE|SIGSEGV\n", stderr);
        return kCrashQuestionMisused;
    }
    if (const char* scripted = std::getenv(kCrashAnswerVariable); scripted != nullptr) {
        return AnswerAsScripted(argv[1], scripted);
    }
    if (!CrashQuestionCanBeShown()) {
        return AnswerWithoutDisplay(signal);
    }
    QApplication application(argc, argv);
    const bool yes = AskCrashQuestion(signal);
    if (yes && !OpenCrashReportPage()) {
        std::fprintf(stderr, "brindleftp-crash-question: cannot open the page on reporting\n");
    }
    return Answer(yes);
}
