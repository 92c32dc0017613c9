// Names in a listing come straight from the server. Whatever the bytes, a name the download walk
// accepts must stand for one item directly inside the local folder, and the remote path built
// for it must keep to the length limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frame/paths.h"
#include "frame/text_limits.h"
#include "fuzz_check.h"
#include "transfer/download_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string listed(reinterpret_cast<const char*>(data), size);
    const std::string name = IsListedLink(listed) ? LinkOwnName(listed) : listed;
    // A link's own name is the part before its first arrow.
    Check(name.find(" -> ") == std::string::npos);
    if (!IsSafeName(name)) {
        return 0;
    }
    Check(!name.empty() && name != "." && name != "..");
    Check(name.find('/') == std::string::npos && name.find('\\') == std::string::npos);

    const std::string target = "/home/user/Downloads";
    const std::string local = PathJoin(target, name);
    Check(local.compare(0, target.size() + 1, target + "/") == 0);
    Check(local.find('/', target.size() + 1) == std::string::npos);

    const std::string remote = BuildRemotePath(target, "/pub", local);
    Check(remote.size() <= kTextLimit);
    Check(remote.compare(0, 5, "/pub/") == 0 || remote.size() == kTextLimit);
    return 0;
}
