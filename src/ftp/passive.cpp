#include "ftp/passive.h"

#include <cstdio>

#include "frame/number_text.h"
#include "frame/text_limits.h"
#include "ftp/control_channel.h"
#include "ftp/reply_in_step.h"
#include "net/host_address.h"

bool ParsePassiveReplyText(std::string_view text, std::string& address) {
    address.clear();
    std::size_t at = text.find('(');
    if (at == std::string_view::npos) {
        return false;
    }
    int numbers[6];
    numbers[0] = AtoiLike(text.substr(at + 1));
    for (int i = 1; i < 6; ++i) {
        at = text.find(',', at + 1);
        if (at == std::string_view::npos) {
            return false;
        }
        numbers[i] = AtoiLike(text.substr(at + 1));
    }
    // Taken as the server gives them: no range checks, like the reply's own numbers.
    long long port = static_cast<long long>(numbers[4]) * 256 + numbers[5];
    char formatted[kTextLimit + 1];
    std::snprintf(formatted, sizeof formatted, "%d.%d.%d.%d:%lld", numbers[0], numbers[1],
                  numbers[2], numbers[3], port);
    address = formatted;
    return true;
}

LProcessResult FtpPassive(LProcessInterface& iface, LSecureSocket& connection,
                          std::string& address) {
    address.clear();
    int code = 0;
    std::string text;
    LProcessResult read = FtpExchangeInStep(iface, connection, "PASV\r\n", code, text);
    if (read != LPROCESS_OK) {
        return read;
    }
    if (code != 227 || !ParsePassiveReplyText(text, address)) {
        return LPROCESS_FAILED;
    }
    return LPROCESS_OK;
}

LProcessResult FtpProtectDataChannel(LProcessInterface& iface, LSecureSocket& connection) {
    LProcessResult step = FtpCommandInStep(iface, connection, "PBSZ 0\r\n");
    if (step != LPROCESS_OK) {
        return step;
    }
    int code = 0;
    step = FtpCommandInStep(iface, connection, "PROT P\r\n", &code);
    if (step == LPROCESS_FAILED && code == 534) {
        iface.ReportError(kProtectedModeRefused);
    }
    return step;
}

LProcessResult FtpSecureDataConnection(LProcessInterface& iface, LSecureSocket& connection,
                                       LSecureSocket& data) {
    if (connection.ssl == nullptr) {
        return LPROCESS_OK;
    }
    // A failed handshake leaves the data connection plain; the transfer decides what follows.
    if (!TlsStart(iface, data, &connection) && iface.IsStopped()) {
        return LPROCESS_STOPPED;
    }
    return LPROCESS_OK;
}

LProcessResult FtpOpenDataConnection(LProcessInterface& iface, const std::string& address,
                                     LSecureSocket& data) {
    sockaddr_in socketAddress{};
    MakeSocketAddress(socketAddress, address, 21);
    return SecureConnect(iface, data, socketAddress, kFtpDataConnectTimeout);
}

namespace {

// About 17 MB of look-up output; far more than any listing of one name.
constexpr std::size_t kMaxDataPieces = 65536;

}  // namespace

LProcessResult FtpDataCommand(LProcessInterface& iface, LSecureSocket& connection,
                              std::string_view commandLine, std::vector<std::string>& pieces) {
    pieces.clear();
    // On a TLS session the look-ups protect their data like the listings do, so that servers
    // which require protected data connections answer them too.
    LProcessResult step =
        connection.ssl != nullptr ? FtpProtectDataChannel(iface, connection) : LPROCESS_OK;
    if (step != LPROCESS_OK) {
        return step;
    }
    step = FtpInStep(iface, connection, [&] { return FtpSetTransferType(iface, connection, 'A'); });
    if (step != LPROCESS_OK) {
        return step;
    }
    std::string address;
    step = FtpPassive(iface, connection, address);
    if (step != LPROCESS_OK) {
        return step;
    }
    LSecureSocket data;
    step = FtpOpenDataConnection(iface, address, data);
    if (step != LPROCESS_OK) {
        return step;
    }
    step = FtpSendCommand(iface, connection, commandLine, kFtpSendTimeout);
    if (step != LPROCESS_OK) {
        return step;
    }
    int code = 0;
    std::string text;
    step = FtpReadReply(iface, connection, code, text);
    if (step == LPROCESS_OK && (code < 100 || code > 199)) {
        return LPROCESS_FAILED;
    }
    if (step == LPROCESS_OK) {
        step = FtpSecureDataConnection(iface, connection, data);
    }
    bool ended = false;  // the server closed the data connection
    while (step == LPROCESS_OK && !ended) {
        if (SecureBytesAvailable(data) == 0) {
            // Data silent past its wait is no end of the data.
            step = SecureWaitForReadable(iface, data, kFtpDataReceiveTimeout);
            if (step != LPROCESS_OK) {
                break;
            }
        }
        char buffer[kTextLimit];
        std::size_t count = 0;
        // Readable with nothing to read: the server closed it at the end of the data.
        ended = SecureReceive(iface, data, buffer, sizeof buffer, count, kFtpDataReceiveTimeout) !=
                LPROCESS_OK;
        if (!ended && pieces.size() == kMaxDataPieces) {
            // A server that never stops sending gets no more of our memory; its reply is
            // still read, so the next command reads its own.
            ended = true;
            step = LPROCESS_FAILED;
        } else if (!ended) {
            pieces.emplace_back(buffer, count);
        }
    }
    SecureClose(data);
    if (!ended) {
        // Stopped, or the data went silent: the reply the server owes is settled.
        FtpSettleOwedReply(connection);
        return step;
    }
    LProcessResult read = FtpReadReply(iface, connection, code, text);
    if (read == LPROCESS_STOPPED) {
        FtpSettleOwedReply(connection);
    }
    if (read != LPROCESS_OK) {
        return read;
    }
    return step == LPROCESS_OK && FtpPositive(code) ? LPROCESS_OK : LPROCESS_FAILED;
}
