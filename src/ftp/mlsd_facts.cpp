#include "ftp/mlsd_facts.h"

#include "frame/number_text.h"
#include "ftp/date_time.h"

std::string_view MlsdLineName(std::string_view line) {
    std::size_t space = line.find(' ');
    if (space == std::string_view::npos) {
        return line;
    }
    std::size_t start = line.find_first_not_of(' ', space);
    return start == std::string_view::npos ? std::string_view() : line.substr(start);
}

void LowerAsciiInPlace(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
}

bool FindFactValue(std::string_view lowered, std::string_view fact, std::string_view& value) {
    std::size_t at = lowered.find(fact);
    if (at == std::string_view::npos) {
        return false;
    }
    value = lowered.substr(at + fact.size());
    value = value.substr(0, value.find(';'));
    return true;
}

namespace {

// The 2-digit field at `position`; 0 past the end of the text, as for a missing field.
int TwoDigits(std::string_view text, std::size_t position) {
    return position < text.size() ? AtoiN(text.substr(position), 2) : 0;
}

}  // namespace

time_t FtpTimestampToTime(std::string_view text) {
    int year = AtoiN(text, 4);
    int month = TwoDigits(text, 4);
    int day = TwoDigits(text, 6);
    int hour = TwoDigits(text, 8);
    int minute = TwoDigits(text, 10);
    int second = text.size() > 12 ? AtoiLike(text.substr(12)) : 0;
    time_t utc = 0;
    MakeUtcTimeFromFields(utc, year, month, day, hour, minute, second);
    return utc;
}

int FtpTypeFactKind(std::string_view value) {
    if (value.starts_with("file")) {
        return kItemFile;
    }
    if (value.starts_with("os.")) {
        std::size_t equals = value.find('=');
        if (equals != std::string_view::npos && value.substr(equals + 1).starts_with("slink")) {
            return kItemLink;
        }
    }
    return kItemFolder;
}

void ReadMlsdFacts(std::string_view line, FtpDirEntry& entry) {
    std::string lowered(line);
    LowerAsciiInPlace(lowered);
    std::string_view value;
    if (FindFactValue(lowered, "modify=", value)) {
        entry.modified = FtpTimestampToTime(value);
        entry.hasModified = 1;
        entry.modifiedExact = 1;
    }
    if (FindFactValue(lowered, "type=", value)) {
        int kind = FtpTypeFactKind(value);
        entry.isFolder = kind != kItemFile;
        entry.isLink = kind == kItemLink;
        entry.hasType = 1;
    }
    if (FindFactValue(lowered, "size=", value)) {
        std::int64_t size = ParseInt64(value);
        // A negative size is no size at all.
        entry.size = size > 0 ? static_cast<std::uint64_t>(size) : 0;
        entry.hasSize = 1;
    }
}
