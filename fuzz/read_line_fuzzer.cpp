// Feeds arbitrary bytes to the line readers through a real socket pair, as a server would send
// them, and checks what every line reader promises about its result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frame/text_limits.h"
#include "net/line_reader.h"
#include "preloaded_socket.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PreloadedSocket preloaded(data, size);
    if (!preloaded.ok()) {
        return 0;
    }
    LSecureSocket& socket = preloaded.socket;
    std::size_t written = preloaded.written;
    LProcessInterfaceVoidInstance iface;
    // The first byte picks which reader takes each line, so both see every shape.
    bool growing = size > 0 && (data[0] & 1) != 0;
    std::size_t consumed = 0;
    for (;;) {
        std::string line;
        LProcessResult result = growing ? ReadLineGrowing(iface, socket, line, 200)
                                        : ReadLine(iface, socket, line, 200);
        if (result != LPROCESS_OK) {
            break;
        }
        if (!growing && line.size() > kTextLimit) {
            std::abort();
        }
        if (line.find('\n') != std::string::npos) {
            std::abort();
        }
        consumed += line.size();
        if (consumed > written) {
            std::abort();
        }
        growing = !growing;
    }
    return 0;
}
