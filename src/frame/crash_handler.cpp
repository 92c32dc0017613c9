#include "frame/crash_handler.h"

#include <pthread.h>
#include <signal.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "process/ui_services.h"

namespace {

std::atomic<UserInterfaceServices*> reportServices{nullptr};
std::atomic<bool> crashReported{false};

static_assert(std::atomic<bool>::is_always_lock_free);

// Texts are put together in a fixed buffer without allocating: the crash may have happened
// inside the allocator.
class FixedText {
public:
    void Append(std::string_view text) {
        std::size_t count = std::min(text.size(), kCapacity - length_);
        std::memcpy(data_ + length_, text.data(), count);
        length_ += count;
    }
    void AppendNumber(long long value, int minimumDigits = 1) {
        char digits[24];
        int count = 0;
        bool negative = value < 0;
        unsigned long long rest = negative ? 0ULL - static_cast<unsigned long long>(value) : value;
        do {
            digits[count++] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        } while (rest != 0);
        while (count < minimumDigits && count < static_cast<int>(sizeof digits)) {
            digits[count++] = '0';
        }
        if (negative) {
            Append("-");
        }
        while (count > 0) {
            char digit = digits[--count];
            Append(std::string_view(&digit, 1));
        }
    }
    std::string_view View() const { return std::string_view(data_, length_); }

private:
    // The question is formatted into 1024 bytes.
    static constexpr std::size_t kCapacity = 1023;
    char data_[kCapacity + 1] = {};
    std::size_t length_ = 0;
};

void ExceptionCode(FixedText& out, int signal) {
    out.Append("SIGNAL");
    out.AppendNumber(signal);
}

void QuestionText(FixedText& out, int signal) {
    out.Append(
        "Brindle FTP has crashed with an abnormal exception.\r\n\r\nWould you be willing to "
        "complete a Velmor Software Bug Report so our programmers can try to fix this? If so, "
        "please click Yes and then enter the field to tell us exactly what you were doing and "
        "that you received a \"");
    ExceptionCode(out, signal);
    out.Append("\" exception code.");
}

// The leading number of text from pos on; pos is left after it.
int ReadVersionNumber(const char* text, std::size_t& pos) {
    int value = 0;
    while (text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos++] - '0');
    }
    return value;
}

void ReportAddress(FixedText& out, int signal) {
    int major = 0;
    int minor = 0;
    utsname system{};
    if (uname(&system) == 0) {
        std::size_t pos = 0;
        major = ReadVersionNumber(system.release, pos);
        if (system.release[pos] == '.') {
            ++pos;
            minor = ReadVersionNumber(system.release, pos) % 100;
        }
    }
    out.Append(kCrashReportPage);
    out.Append("?software=BrindleFTP&version=2.13&xi=");
    out.AppendNumber(signal);
    out.Append("-GUI-");
    out.AppendNumber(gettid());
    out.Append("UnknownCommand");
    out.Append("-Linux");
    out.AppendNumber(major);
    out.AppendNumber(minor, 2);
    out.Append("UnknownModule");
}

void WriteToStandardError(std::string_view text) {
    while (!text.empty()) {
        ssize_t written = write(STDERR_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

void SetCrashReportServices(UserInterfaceServices* ui) {
    reportServices.store(ui);
}

std::string CrashExceptionCode(int signal) {
    FixedText out;
    ExceptionCode(out, signal);
    return std::string(out.View());
}

std::string CrashQuestionText(int signal) {
    FixedText out;
    QuestionText(out, signal);
    return std::string(out.View());
}

std::string CrashReportAddress(int signal) {
    FixedText out;
    ReportAddress(out, signal);
    return std::string(out.View());
}

bool ReportCrashOnce(int signal) {
    if (crashReported.exchange(true)) {
        return false;
    }
    FixedText question;
    QuestionText(question, signal);
    FixedText address;
    ReportAddress(address, signal);
    UserInterfaceServices* ui = reportServices.load();
    if (ui == nullptr) {
        WriteToStandardError(kCrashQuestionTitle);
        WriteToStandardError("\n");
        WriteToStandardError(question.View());
        WriteToStandardError("\nBug report: ");
        WriteToStandardError(address.View());
        WriteToStandardError("\n");
        return true;
    }
    if (ui->YesNoBox(nullptr, std::string(question.View()), kCrashQuestionTitle)) {
        ui->OpenWithDefaultApplication(std::string(address.View()));
    }
    return true;
}

void CrashSignalHandler(int signal) {
    if (!ReportCrashOnce(signal)) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}
