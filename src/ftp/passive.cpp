#include "ftp/passive.h"

#include <cstdio>

#include "frame/logger.h"
#include "frame/number_text.h"
#include "frame/text_limits.h"
#include "ftp/control_channel.h"
#include "ftp/reply_in_step.h"
#include "net/certificate_trust.h"
#include "net/host_address.h"

bool ParsePassiveReplyText(std::string_view text, std::string& host, long long& port) {
    host.clear();
    port = 0;
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
    char formatted[kTextLimit + 1];
    std::snprintf(formatted, sizeof formatted, "%d.%d.%d.%d", numbers[0], numbers[1], numbers[2],
                  numbers[3]);
    host = formatted;
    port = static_cast<long long>(numbers[4]) * 256 + numbers[5];
    return true;
}

bool ParseExtendedPassiveReplyText(std::string_view text, std::uint16_t& port) {
    port = 0;
    const std::size_t open = text.find('(');
    if (open == std::string_view::npos || text.size() - open < 7) {
        return false;
    }
    const char mark = text[open + 1];
    if (mark < '!' || mark > '~' || (mark >= '0' && mark <= '9') || text[open + 2] != mark ||
        text[open + 3] != mark) {
        return false;
    }
    std::uint32_t value = 0;
    std::size_t at = open + 4;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= 65535; ++at) {
        value = value * 10 + static_cast<std::uint32_t>(text[at] - '0');
    }
    if (at == open + 4 || value == 0 || value > 65535 || at + 1 >= text.size() ||
        text[at] != mark || text[at + 1] != ')') {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

namespace {

LProcessResult ExtendedPassive(LProcessInterface& iface, LSecureSocket& connection,
                               std::uint16_t& port) {
    int code = 0;
    std::string text;
    LProcessResult read = FtpExchangeInStep(iface, connection, "EPSV\r\n", code, text);
    if (read != LPROCESS_OK) {
        return read;
    }
    return code == 229 && ParseExtendedPassiveReplyText(text, port) ? LPROCESS_OK : LPROCESS_FAILED;
}

// PASV; kFeatExtendedPassive set when the server does not know it. The address a 227 reply
// names is only read for the log: a server behind NAT names its private address, and a hostile
// one could name any machine, also one inside the user's own network.
LProcessResult Passive(LProcessInterface& iface, LSecureSocket& connection,
                       const std::string& serverAddress, std::uint16_t& port) {
    int code = 0;
    std::string text;
    LProcessResult read = FtpExchangeInStep(iface, connection, "PASV\r\n", code, text);
    if (read != LPROCESS_OK) {
        return read;
    }
    if (code == 500 || code == 502) {
        connection.features |= kFeatExtendedPassive;
        return LPROCESS_OK;
    }
    std::string named;
    long long given = 0;
    if (code != 227 || !ParsePassiveReplyText(text, named, given) || given < 1 || given > 65535) {
        return LPROCESS_FAILED;
    }
    port = static_cast<std::uint16_t>(given);
    if (named != serverAddress && !(connection.features & kFeatPassiveElsewhere)) {
        connection.features |= kFeatPassiveElsewhere;
        LogFormat(kLogWarning,
                  "The passive reply named %s; connecting to the server's own address %s "
                  "instead.",
                  named.c_str(), serverAddress.c_str());
    }
    return LPROCESS_OK;
}

}  // namespace

LProcessResult FtpPassive(LProcessInterface& iface, LSecureSocket& connection,
                          std::string& address) {
    address.clear();
    SocketAddress server = SocketAddress::PeerOf(connection.fd);
    if (server.empty()) {
        return LPROCESS_FAILED;
    }
    std::uint16_t port = 0;
    LProcessResult step = LPROCESS_OK;
    if (server.family() == AF_INET && !(connection.features & kFeatExtendedPassive)) {
        step = Passive(iface, connection, server.AddressText(), port);
    }
    if (step == LPROCESS_OK &&
        (server.family() != AF_INET || (connection.features & kFeatExtendedPassive))) {
        step = ExtendedPassive(iface, connection, port);
    }
    if (step != LPROCESS_OK) {
        return step;
    }
    server.SetPort(port);
    address = server.HostText();
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
    return connection.ssl == nullptr ? LPROCESS_OK
                                     : StartDataConnectionTls(iface, connection, data);
}

LProcessResult FtpOpenDataConnection(LProcessInterface& iface, const std::string& address,
                                     LSecureSocket& data) {
    SocketAddress socketAddress;
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
