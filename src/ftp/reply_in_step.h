#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/secure_socket.h"

// How long a command that was stopped, or whose data went silent, still waits for the reply the
// server owes before it closes the control connection instead. Short, because the user is
// waiting for the stop; long enough for a server that answers as soon as its data connection
// is closed.
inline constexpr std::uint32_t kFtpOwedReplyTimeout = 1000;

// For a reply the server still owes (a preliminary 1xx one is followed by its final one): reads
// it within kFtpOwedReplyTimeout, whatever stop is pending, or closes the connection, so the
// next command never reads it as its own and the next operation reconnects.
void FtpSettleOwedReply(LSecureSocket& connection);

// Runs one exchange on the control connection so that a stop never leaves the session out of
// step: nothing is sent once stopped, and a stop during the exchange settles its reply.
template <typename Exchange>
LProcessResult FtpInStep(LProcessInterface& iface, LSecureSocket& connection, Exchange exchange) {
    if (iface.IsStopped()) {
        return LPROCESS_STOPPED;
    }
    LProcessResult result = exchange();
    if (result == LPROCESS_STOPPED) {
        FtpSettleOwedReply(connection);
    }
    return result;
}

// FtpCommand, FtpExchange and FtpCommandLines run in step.
LProcessResult FtpCommandInStep(LProcessInterface& iface, LSecureSocket& connection,
                                std::string_view commandLine, int* code = nullptr,
                                std::string* text = nullptr);
LProcessResult FtpExchangeInStep(LProcessInterface& iface, LSecureSocket& connection,
                                 std::string_view commandLine, int& code, std::string& text);
LProcessResult FtpCommandLinesInStep(LProcessInterface& iface, LSecureSocket& connection,
                                     std::string_view commandLine, std::vector<std::string>& lines);
