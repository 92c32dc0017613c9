// The texts of 227 and 229 replies come straight from the server: any text must parse or be
// refused without harm, and a port taken from one must make a server text that reads back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "frame/text_limits.h"
#include "ftp/passive.h"
#include "fuzz_check.h"
#include "net/host_address.h"

namespace {

// The data connection goes to the control connection's peer with the reply's port.
void CheckDataAddress(long long port) {
    const HostText parts = ParseHostText("[::1]:" + std::to_string(port), 21);
    Check(parts.status == HostTextStatus::kOk && parts.port == port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string host;
    long long port = -1;
    if (!ParsePassiveReplyText(text, host, port)) {
        Check(host.empty() && port == 0);
    } else {
        Check(host.size() <= kTextLimit && host.find(':') == std::string::npos);
        if (port >= 1 && port <= 65535) {
            CheckDataAddress(port);
        }
    }
    std::uint16_t extended = 1;
    if (ParseExtendedPassiveReplyText(text, extended)) {
        Check(extended != 0);
        CheckDataAddress(extended);
    } else {
        Check(extended == 0);
    }
    return 0;
}
