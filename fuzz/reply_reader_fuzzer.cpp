// Feeds arbitrary server bytes to the reply readers: single replies, and the multi-line replies
// of FEAT, MLST and MLSD. Each call must end (the peer has closed) and keep its limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/text_limits.h"
#include "ftp/control_channel.h"
#include "preloaded_socket.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PreloadedSocket preloaded(data, size);
    if (!preloaded.ok()) {
        return 0;
    }
    LProcessInterfaceVoidInstance iface;
    // The first byte picks which reader goes first; both then take turns on what is left.
    bool multiLine = size > 0 && (data[0] & 1) != 0;
    for (int round = 0; round < 1000 && preloaded.socket.fd >= 0; ++round) {
        if (multiLine) {
            std::vector<std::string> lines;
            LProcessResult result = FtpCommandLines(iface, preloaded.socket, "FEAT\r\n", lines);
            for (const std::string& line : lines) {
                if (line.size() > kTextLimit || (!line.empty() && line.front() == ' ')) {
                    std::abort();
                }
            }
            if (result == LPROCESS_STOPPED) {
                std::abort();
            }
        } else {
            int code = 0;
            std::string text;
            LProcessResult result = FtpReadReply(iface, preloaded.socket, code, text);
            if (text.size() > kReplyTextLimit) {
                std::abort();
            }
            if (result != LPROCESS_OK) {
                break;
            }
        }
        multiLine = !multiLine;
    }
    return 0;
}
