#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/secure_socket.h"

// Time-outs of the control and data connections, in milliseconds.
inline constexpr std::uint32_t kFtpConnectTimeout = 10000;
inline constexpr std::uint32_t kFtpSendTimeout = 20000;
inline constexpr std::uint32_t kFtpQuickSendTimeout = 3000;  // PASS
inline constexpr std::uint32_t kFtpReplyLineTimeout = 60000;
inline constexpr std::uint32_t kFtpDataConnectTimeout = 20000;
inline constexpr std::uint32_t kFtpDataReceiveTimeout = 40000;
inline constexpr std::uint32_t kFtpListingLineTimeout = 10000;
inline constexpr std::uint32_t kFtpDataSendTimeout = 20000;

// A reply keeps the text of its final line after the code and separator, at most 255 bytes.
inline constexpr std::size_t kReplyTextLimit = 255;
// Command lines are cut to fit 260 bytes (280 for CWD, MKD and the transfer commands).
inline constexpr std::size_t kCommandLineSize = 260;
inline constexpr std::size_t kLongCommandLineSize = 280;

// "VERB argument\r\n" with the argument inserted as it is (no quoting), cut to fit a buffer of
// bufferSize bytes with its terminator, the way the server would see a cut line.
std::string FtpCommandLine(std::string_view verb, std::string_view argument,
                           std::size_t bufferSize = kCommandLineSize);

// True for the positive completion and intermediate codes 200 to 399.
inline bool FtpPositive(int code) {
    return code >= 200 && code <= 399;
}

LProcessResult FtpSendCommand(LProcessInterface& iface, LSecureSocket& connection,
                              std::string_view commandLine, std::uint32_t timeoutMs);
// Reads one whole reply: the code and the text of its final line (code 0 when that line does
// not begin with digits). A reply that cannot be read closes the connection: the server is gone,
// or a late reply would be taken for the answer to the next command.
LProcessResult FtpReadReply(LProcessInterface& iface, LSecureSocket& connection, int& code,
                            std::string& text);
// Sends the command and reads its reply, whatever the code: ok when the exchange itself worked.
LProcessResult FtpExchange(LProcessInterface& iface, LSecureSocket& connection,
                           std::string_view commandLine, int& code, std::string& text,
                           std::uint32_t sendTimeoutMs = kFtpSendTimeout);
// Sends the command and reads the reply; ok only for codes 200 to 399. code and text may be null.
LProcessResult FtpCommand(LProcessInterface& iface, LSecureSocket& connection,
                          std::string_view commandLine, int* code = nullptr,
                          std::string* text = nullptr);
// FtpCommand with the short send time-out of PASS.
LProcessResult FtpCommandQuick(LProcessInterface& iface, LSecureSocket& connection,
                               std::string_view commandLine, int* code = nullptr,
                               std::string* text = nullptr);
// Collects a multi-line reply (FEAT, MLST, MLSD): the first line and every continuation line,
// trimmed, without the final line. Ok only when the first line's code is 200 to 399.
LProcessResult FtpCommandLines(LProcessInterface& iface, LSecureSocket& connection,
                               std::string_view commandLine, std::vector<std::string>& lines);
// Closes the connection if it is open; always ok.
// "TYPE A" or "TYPE I", sent only when the session's remembered type differs; `code` gets the
// reply's code, or 200 when nothing had to be sent.
LProcessResult FtpSetTransferType(LProcessInterface& iface, LSecureSocket& connection, char type,
                                  int* code = nullptr);

LProcessResult FtpDisconnect(LProcessInterface& iface, LSecureSocket& connection);
// "QUIT", then closes the connection whatever the answer; the result of the QUIT exchange.
LProcessResult FtpQuit(LProcessInterface& iface, LSecureSocket& connection);
