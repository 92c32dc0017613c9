// The address of a 227 reply comes straight from the server: any text must parse or be refused
// without harm, and a parsed address must be one the address functions can read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "frame/text_limits.h"
#include "ftp/passive.h"
#include "net/host_address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string address;
    if (!ParsePassiveReplyText(text, address)) {
        if (!address.empty()) {
            std::abort();
        }
        return 0;
    }
    if (address.size() > kTextLimit || address.find(':') == std::string::npos) {
        std::abort();
    }
    std::string host;
    SplitHostPort(address, host, 21);
    if (host.find(':') != std::string::npos) {
        std::abort();
    }
    return 0;
}
