#include "ftp/control_channel.h"

#include "frame/number_text.h"
#include "frame/text_limits.h"
#include "net/line_reader.h"

std::string FtpCommandLine(std::string_view verb, std::string_view argument,
                           std::size_t bufferSize) {
    std::string line;
    line.reserve(verb.size() + argument.size() + 3);
    line.append(verb);
    if (!argument.empty()) {
        line.append(" ").append(argument);
    }
    line.append("\r\n");
    return CutText(line, bufferSize - 1);
}

LProcessResult FtpSendCommand(LProcessInterface& iface, LSecureSocket& connection,
                              std::string_view commandLine, std::uint32_t timeoutMs) {
    // A line cut short of its CR LF is never sent: the server would wait for the rest, or act
    // on a shortened name.
    if (commandLine.size() < 2 || commandLine.substr(commandLine.size() - 2) != "\r\n") {
        return LPROCESS_FAILED;
    }
    return SecureSendAll(iface, connection, commandLine.data(), commandLine.size(), timeoutMs);
}

namespace {

// Far more than any FEAT or MLST reply has.
constexpr std::size_t kMaxReplyLines = 100000;

// A line ends a reply unless it is empty, begins with a space, or has '-' in fourth place.
bool IsFinalReplyLine(const std::string& line) {
    if (line.empty() || line[0] == ' ') {
        return false;
    }
    return line.size() <= 3 || line[3] != '-';
}

LProcessResult CommandWithSendTimeout(LProcessInterface& iface, LSecureSocket& connection,
                                      std::string_view commandLine, std::uint32_t sendTimeoutMs,
                                      int* code, std::string* text) {
    int replyCode = 0;
    std::string replyText;
    LProcessResult result =
        FtpExchange(iface, connection, commandLine, replyCode, replyText, sendTimeoutMs);
    if (code != nullptr) {
        *code = replyCode;
    }
    if (text != nullptr) {
        *text = replyText;
    }
    if (result != LPROCESS_OK) {
        return result;
    }
    return FtpPositive(replyCode) ? LPROCESS_OK : LPROCESS_FAILED;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Reads and drops the rest of a multi-line reply, so the next command reads its own reply.
void DiscardRestOfReply(LProcessInterface& iface, LSecureSocket& connection,
                        std::string_view endMarker) {
    std::string line;
    while (ReadLine(iface, connection, line, kFtpReplyLineTimeout) == LPROCESS_OK) {
        if (StartsWith(TrimSpaces(line), endMarker)) {
            return;
        }
    }
}

}  // namespace

LProcessResult FtpReadReply(LProcessInterface& iface, LSecureSocket& connection, int& code,
                            std::string& text) {
    code = 0;
    text.clear();
    std::string line;
    do {
        LProcessResult read = ReadLine(iface, connection, line, kFtpReplyLineTimeout);
        if (read == LPROCESS_FAILED) {
            SecureClose(connection);
        }
        if (read != LPROCESS_OK) {
            return read;
        }
    } while (!IsFinalReplyLine(line));
    code = AtoiLike(line);
    if (line.size() > 4) {
        text = CutText(std::string_view(line).substr(4), kReplyTextLimit);
    }
    return LPROCESS_OK;
}

LProcessResult FtpExchange(LProcessInterface& iface, LSecureSocket& connection,
                           std::string_view commandLine, int& code, std::string& text,
                           std::uint32_t sendTimeoutMs) {
    code = 0;
    text.clear();
    LProcessResult sent = FtpSendCommand(iface, connection, commandLine, sendTimeoutMs);
    if (sent != LPROCESS_OK) {
        return sent;
    }
    return FtpReadReply(iface, connection, code, text);
}

LProcessResult FtpCommand(LProcessInterface& iface, LSecureSocket& connection,
                          std::string_view commandLine, int* code, std::string* text) {
    return CommandWithSendTimeout(iface, connection, commandLine, kFtpSendTimeout, code, text);
}

LProcessResult FtpCommandQuick(LProcessInterface& iface, LSecureSocket& connection,
                               std::string_view commandLine, int* code, std::string* text) {
    return CommandWithSendTimeout(iface, connection, commandLine, kFtpQuickSendTimeout, code, text);
}

LProcessResult FtpCommandLines(LProcessInterface& iface, LSecureSocket& connection,
                               std::string_view commandLine, std::vector<std::string>& lines) {
    lines.clear();
    LProcessResult sent = FtpSendCommand(iface, connection, commandLine, kFtpSendTimeout);
    if (sent != LPROCESS_OK) {
        return sent;
    }
    std::string endMarker;
    bool positive = false;
    std::string line;
    for (;;) {
        LProcessResult read = ReadLine(iface, connection, line, kFtpReplyLineTimeout);
        if (read != LPROCESS_OK) {
            return read;
        }
        std::string_view trimmed = TrimSpaces(line);
        if (trimmed.empty()) {
            if (positive) {
                continue;
            }
            return LPROCESS_FAILED;
        }
        if (endMarker.empty()) {
            endMarker = std::string(trimmed.substr(0, 3)) + " ";
            positive = FtpPositive(AtoiLike(trimmed.substr(0, 3)));
            lines.emplace_back(CutText(trimmed));
            if (StartsWith(trimmed, endMarker)) {
                break;
            }
            if (!positive) {
                DiscardRestOfReply(iface, connection, endMarker);
                return LPROCESS_FAILED;
            }
            continue;
        }
        if (StartsWith(trimmed, endMarker)) {
            break;
        }
        if (lines.size() == kMaxReplyLines) {
            // A reply that never ends gets no more of our memory.
            return LPROCESS_FAILED;
        }
        lines.emplace_back(CutText(trimmed));
    }
    return positive ? LPROCESS_OK : LPROCESS_FAILED;
}

LProcessResult FtpSetTransferType(LProcessInterface& iface, LSecureSocket& connection, char type,
                                  int* code) {
    if (connection.transferType == type) {
        if (code != nullptr) {
            *code = 200;
        }
        return LPROCESS_OK;
    }
    connection.transferType = 0;
    const char line[] = {'T', 'Y', 'P', 'E', ' ', type, '\r', '\n', '\0'};
    LProcessResult result = FtpCommand(iface, connection, line, code);
    if (result == LPROCESS_OK) {
        connection.transferType = type;
    }
    return result;
}

LProcessResult FtpDisconnect(LProcessInterface& iface, LSecureSocket& connection) {
    SecureClose(connection);
    return LPROCESS_OK;
}

LProcessResult FtpQuit(LProcessInterface& iface, LSecureSocket& connection) {
    LProcessResult result = FtpCommand(iface, connection, "QUIT\r\n");
    SecureClose(connection);
    return result;
}
