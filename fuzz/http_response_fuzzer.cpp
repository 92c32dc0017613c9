// Feeds arbitrary server bytes to the HTTP response readers, as a component or update server
// would send them: the status line, the headers and the body of a download, and the version
// text of the update check. Each call must end (the peer has closed) and keep its promises.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "frame/text_limits.h"
#include "net/http_client.h"
#include "net/line_reader.h"
#include "preloaded_socket.h"
#include "services/version_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VersionInfo info;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (ParseVersionInfo(text, info) && info.infoUrl.size() > kTextLimit) {
        std::abort();
    }

    PreloadedSocket preloaded(data, size);
    if (!preloaded.ok()) {
        return 0;
    }
    LProcessInterfaceVoidInstance iface;
    std::string statusLine;
    if (ReadLine(iface, preloaded.socket, statusLine, 200) != LPROCESS_OK) {
        return 0;
    }
    int status = 0;
    if (!ParseHttpStatusLine(statusLine, status)) {
        return 0;
    }
    std::int64_t length = -1;
    if (ReadHttpHeaders(iface, preloaded.socket, length) != LPROCESS_OK || length < -1) {
        std::abort();
    }
    int file = memfd_create("body", MFD_CLOEXEC);
    if (file < 0) {
        return 0;
    }
    LProcessResult result = ReceiveHttpBody(iface, preloaded.socket, file, length);
    struct stat written {};
    fstat(file, &written);
    close(file);
    // A body never holds more than arrived, and a known length is met exactly or fails.
    if (static_cast<std::size_t>(written.st_size) > size || result == LPROCESS_STOPPED ||
        (result == LPROCESS_OK && length >= 0 && written.st_size != length)) {
        std::abort();
    }
    return 0;
}
