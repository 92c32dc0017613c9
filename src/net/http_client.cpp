#include "net/http_client.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <utility>

#include "frame/file_descriptor.h"
#include "frame/number_text.h"
#include "frame/text_limits.h"
#include "net/host_address.h"
#include "net/line_reader.h"
#include "net/plain_socket.h"

namespace {

inline constexpr std::uint16_t kHttpPort = 80;
inline constexpr std::uint32_t kDownloadConnectMs = 22000;
inline constexpr std::uint32_t kDownloadSendMs = 10000;
inline constexpr std::uint32_t kDownloadLineMs = 10000;
inline constexpr std::uint32_t kBodyWaitMs = 7500;
inline constexpr std::size_t kBodyBlock = 1028;
// Without a known length the bar still gets one update per block, but it hardly moves.
inline constexpr double kUnknownLengthScale = 2147483647.0;

// The file a download writes into. Unless the download is kept, it is closed and deleted.
class PartialFile {
public:
    explicit PartialFile(std::string path)
        : path_(std::move(path)),
          file_(open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) {}
    ~PartialFile() {
        if (file_.valid()) {
            file_.Close();
            unlink(path_.c_str());
        }
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    bool ok() const { return file_.valid(); }
    int fd() const { return file_.get(); }
    // Closes the file and keeps it; false (and the file deleted) when closing failed.
    bool Keep() {
        if (!file_.Close()) {
            unlink(path_.c_str());
            return false;
        }
        return true;
    }

private:
    std::string path_;
    FileDescriptor file_;
};

// Connects to the URL's host and sends the GET request for its path.
LProcessResult SendGetRequest(LProcessInterface& iface, std::string_view url,
                              LSecureSocket& connection, std::uint32_t connectMs,
                              std::uint32_t sendMs) {
    std::string host;
    std::string path;
    SplitUrl(url, host, path);
    AddressList addresses;
    MakeAddressList(addresses, host, kHttpPort);
    LProcessResult result = ConnectAnyAddress(iface, connection.fd, addresses, connectMs);
    if (result != LPROCESS_OK) {
        return result;
    }
    std::string request = MakeHttpRequest(host, path);
    return SendAll(iface, connection.fd, request.data(), request.size(), sendMs);
}

}  // namespace

void SplitUrl(std::string_view url, std::string& host, std::string& path) {
    host.clear();
    path.clear();
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] != '/') {
            if (host.size() < kUrlHostLimit) {
                host += url[i];
            }
            continue;
        }
        if (i + 1 < url.size() && url[i + 1] == '/') {
            // What was collected was the scheme.
            host.clear();
            ++i;
            continue;
        }
        path = CutText(url.substr(i), kUrlPathLimit);
        return;
    }
}

std::string MakeHttpRequest(const std::string& host, const std::string& path) {
    std::string request = "GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\n\r\n";
    return CutText(request, kHttpRequestLimit);
}

LProcessResult HttpGet(LProcessInterface& iface, std::string_view url, std::string& response,
                       std::size_t bufferSize, std::uint32_t timeoutMs) {
    response.clear();
    LSecureSocket connection;
    LProcessResult result = SendGetRequest(iface, url, connection, timeoutMs, timeoutMs);
    if (result != LPROCESS_OK) {
        return result;
    }
    std::size_t capacity = bufferSize > 0 ? bufferSize - 1 : 0;
    response.resize(capacity);
    std::size_t count = 0;
    result = ReceiveUpTo(iface, connection.fd, response.data(), capacity, count, timeoutMs);
    response.resize(count);
    return result;
}

bool ParseHttpStatusLine(std::string_view line, int& status) {
    status = 0;
    if (line.size() < 4 || strncasecmp(line.data(), "HTTP", 4) != 0) {
        return false;
    }
    // "HTTP/1.x " takes nine bytes; the code follows.
    if (line.size() > 9) {
        status = AtoiLike(line.substr(9));
    }
    return true;
}

void ParseHttpHeaderLine(std::string_view line, std::int64_t& length) {
    constexpr std::string_view kContentLength = "Content-Length: ";
    if (line.substr(0, kContentLength.size()) != kContentLength) {
        return;
    }
    std::string_view value = line.substr(kContentLength.size());
    std::size_t start = value.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return;
    }
    std::int64_t parsed = 0;
    auto [end, error] = std::from_chars(value.data() + start, value.data() + value.size(), parsed);
    if (error == std::errc() && parsed >= 0) {
        length = parsed;
    }
}

LProcessResult ReadHttpHeaders(LProcessInterface& iface, LSecureSocket& connection,
                               std::int64_t& length) {
    length = -1;
    std::string line;
    for (;;) {
        LProcessResult result = ReadLine(iface, connection, line, kDownloadLineMs);
        if (result == LPROCESS_STOPPED) {
            return result;
        }
        if (result != LPROCESS_OK || line.empty()) {
            return LPROCESS_OK;
        }
        ParseHttpHeaderLine(line, length);
    }
}

LProcessResult ReceiveHttpBody(LProcessInterface& iface, LSecureSocket& connection, int outFd,
                               std::int64_t length) {
    const bool known = length >= 0;
    const double step = static_cast<double>(kBodyBlock) /
                        (known && length > 0 ? static_cast<double>(length) : kUnknownLengthScale);
    double progress = 0.0;
    std::int64_t received = 0;
    unsigned char block[kBodyBlock];
    while (!known || received < length) {
        if (iface.IsStopped()) {
            return LPROCESS_STOPPED;
        }
        std::size_t wanted =
            known ? static_cast<std::size_t>(std::min<std::int64_t>(kBodyBlock, length - received))
                  : kBodyBlock;
        std::size_t got = 0;
        LProcessResult result =
            ReceiveExactly(iface, connection.fd, block, wanted, got, kBodyWaitMs);
        // Without a length the server ends the body by closing: the short block is the last.
        bool lastBlock = !known && result == LPROCESS_FAILED;
        if (result != LPROCESS_OK && !lastBlock) {
            return result;
        }
        if (!WriteAll(outFd, block, got)) {
            return LPROCESS_FAILED;
        }
        received += static_cast<std::int64_t>(got);
        if (got > 0) {
            progress += step;
            iface.SetProgress(std::min(progress, 1.0));
        }
        if (lastBlock) {
            return LPROCESS_OK;
        }
    }
    return LPROCESS_OK;
}

LProcessResult HttpDownloadToFile(LProcessInterface& iface, std::string_view url,
                                  const std::string& filePath) {
    LSecureSocket connection;
    LProcessResult result =
        SendGetRequest(iface, url, connection, kDownloadConnectMs, kDownloadSendMs);
    if (result != LPROCESS_OK) {
        return result;
    }
    std::string statusLine;
    result = ReadLine(iface, connection, statusLine, kDownloadLineMs);
    if (result != LPROCESS_OK) {
        return result;
    }
    int status = 0;
    // Redirects are not followed: anything but 2xx fails before a file exists.
    if (!ParseHttpStatusLine(statusLine, status) || status < 200 || status > 299) {
        return LPROCESS_FAILED;
    }
    PartialFile file(filePath);
    if (!file.ok()) {
        return LPROCESS_FAILED;
    }
    std::int64_t length = -1;
    result = ReadHttpHeaders(iface, connection, length);
    if (result != LPROCESS_OK) {
        return result;
    }
    result = ReceiveHttpBody(iface, connection, file.fd(), length);
    if (result != LPROCESS_OK) {
        return result;
    }
    return file.Keep() ? LPROCESS_OK : LPROCESS_FAILED;
}
