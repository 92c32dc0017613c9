#include "ftp/reply_in_step.h"

#include <chrono>

#include "frame/number_text.h"
#include "ftp/control_channel.h"
#include "net/line_reader.h"

namespace {

// The last line of a reply: not indented, and no '-' after the code.
bool EndsReply(const std::string& line) {
    return !line.empty() && line[0] != ' ' && (line.size() <= 3 || line[3] != '-');
}

}  // namespace

void FtpSettleOwedReply(LSecureSocket& connection) {
    if (connection.fd < 0) {
        return;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(kFtpOwedReplyTimeout);
    // The user has already asked to stop: this wait is bounded instead.
    LProcessInterfaceVoidInstance unstoppable;
    std::string line;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 ||
            ReadLine(unstoppable, connection, line, static_cast<std::uint32_t>(left.count())) !=
                LPROCESS_OK) {
            break;
        }
        const int code = AtoiLike(line);
        if (EndsReply(line) && (code < 100 || code > 199)) {
            return;
        }
    }
    SecureClose(connection);
}

LProcessResult FtpCommandInStep(LProcessInterface& iface, LSecureSocket& connection,
                                std::string_view commandLine, int* code, std::string* text) {
    return FtpInStep(iface, connection,
                     [&] { return FtpCommand(iface, connection, commandLine, code, text); });
}

LProcessResult FtpExchangeInStep(LProcessInterface& iface, LSecureSocket& connection,
                                 std::string_view commandLine, int& code, std::string& text) {
    return FtpInStep(iface, connection,
                     [&] { return FtpExchange(iface, connection, commandLine, code, text); });
}

LProcessResult FtpCommandLinesInStep(LProcessInterface& iface, LSecureSocket& connection,
                                     std::string_view commandLine,
                                     std::vector<std::string>& lines) {
    return FtpInStep(iface, connection,
                     [&] { return FtpCommandLines(iface, connection, commandLine, lines); });
}
