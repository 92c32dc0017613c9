// MLSD and MLST lines come straight from the server: any bytes must give a name and facts without
// reading outside the line, and the name rules must hold for every line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "frame/utf8.h"
#include "ftp/mlsd_facts.h"
#include "ftp/remote_listing.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exactly sized copy, so that a read past the end is caught.
    std::unique_ptr<char[]> copy(new char[size == 0 ? 1 : size]);
    if (size > 0) {
        std::memcpy(copy.get(), data, size);
    }
    const std::string_view line(copy.get(), size);

    // The name is the end of the line, after the first space and the spaces that follow it.
    const std::string_view name = MlsdLineName(line);
    Check(name.size() <= line.size());
    Check(line.substr(line.size() - name.size()) == name);
    if (line.find(' ') != std::string_view::npos) {
        Check(name.empty() || name.front() != ' ');
        Check(name.size() < line.size());
    } else {
        Check(name.size() == line.size());
    }

    FtpDirEntry entry;
    ReadMlsdFacts(line, entry);
    Check(entry.hasModified <= 1 && entry.hasSize <= 1 && entry.hasType <= 1);
    Check(entry.isFolder <= 1 && entry.isLink <= 1);
    Check(!entry.isLink || entry.isFolder);
    Check(entry.hasType || (!entry.isFolder && !entry.isLink));
    Check(entry.hasSize || entry.size == 0);
    Check(entry.name.empty());

    std::string lowered(line);
    LowerAsciiInPlace(lowered);
    Check(lowered.size() == line.size());
    std::string_view value;
    if (FindFactValue(lowered, "type=", value)) {
        Check(value.find(';') == std::string_view::npos);
        const int kind = FtpTypeFactKind(value);
        Check(kind == kItemFile || kind == kItemFolder || kind == kItemLink);
    }
    FtpTimestampToTime(line);

    // A name cut to a byte limit loses at most the three bytes of a cut character.
    const std::string_view whole = WithoutCutCharacter(line);
    Check(line.substr(0, whole.size()) == whole);
    Check(line.size() - whole.size() <= 3);
    if (IsValidUtf8(line)) {
        Check(whole.size() == line.size());
    }
    return 0;
}
