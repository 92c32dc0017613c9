// Lines per second of ParseListLine on one core, over a generated listing that mixes the Unix
// and MS-DOS layouts and the date forms servers use.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/list_parser.h"

namespace {

constexpr std::size_t kLineCount = 1000000;
constexpr int kPasses = 5;

class Random {
public:
    std::uint32_t Next(std::uint32_t below) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state_ >> 33) % below;
    }

private:
    std::uint64_t state_ = 0x2545F4914F6CDD1Dull;
};

const char* const kMonths[] = {"Jan",    "Feb",   "Mar",           "Apr",     "May", "Jun",
                               "Jul",    "Aug",   "Sep",           "Oct",     "Nov", "Dec",
                               "M\xE4r", "janv",  "Okt",           "Dez",     "mai", "giu",
                               "sty",    "Tammi", "1\xE6\x9C\x88", "f\xE9vr."};
const char* const kPermissions[] = {"-rw-r--r--", "drwxr-xr-x", "lrwxrwxrwx", "-rwxr-x---"};
const char* const kGroups[] = {"staff", "users", "Domain Users", "ftp", "1000"};
const char* const kNames[] = {"notes.txt",           "src",     "My Documents",
                              "archive-2009.tar.gz", "run.sh*", "www -> public",
                              "photo_0001.jpeg",     "README"};

// A size glued to the group cannot be followed by a day number: that would read as the size.
std::string UnixDate(Random& random, bool dayFirst) {
    char text[64];
    const unsigned day = 1 + random.Next(28);
    const unsigned month = 1 + random.Next(12);
    const unsigned year = 1995 + random.Next(30);
    const unsigned hour = random.Next(24);
    const unsigned minute = random.Next(60);
    const char* name = kMonths[random.Next(std::size(kMonths))];
    switch (random.Next(dayFirst ? 8 : 7)) {
        case 0:
        case 1:
        case 2:
            std::snprintf(text, sizeof(text), "%s %2u %02u:%02u", name, day, hour, minute);
            break;
        case 3:
            std::snprintf(text, sizeof(text), "%s %2u  %u", name, day, year);
            break;
        case 4:
            std::snprintf(text, sizeof(text), "%u-%02u-%02u %02u:%02u", year, month, day, hour,
                          minute);
            break;
        case 5:
            std::snprintf(text, sizeof(text), "%02u/%02u/%u %02u.%02u", day, month, year, hour,
                          minute);
            break;
        case 6:
            std::snprintf(text, sizeof(text), "%s %u, %u %02u:%02u", name, day, year, hour, minute);
            break;
        default:
            // A month number would read as the day here: English names only.
            std::snprintf(text, sizeof(text), "%u %s %02u:%02u", day, kMonths[month - 1], hour,
                          minute);
            break;
    }
    return text;
}

std::string UnixLine(Random& random) {
    std::string line = kPermissions[random.Next(std::size(kPermissions))];
    line += "   " + std::to_string(1 + random.Next(20)) + " owner    ";
    line += kGroups[random.Next(std::size(kGroups))];
    const std::uint32_t size = random.Next(100000000);
    const std::uint32_t sizeForm = random.Next(6);
    switch (sizeForm) {
        case 0:
            line += " " + std::to_string(size % 1000) + "." + std::to_string(size % 10) + "K";
            break;
        case 1:
            line += std::to_string(size);  // glued to the group
            break;
        default:
            line += "  " + std::to_string(size);
            break;
    }
    line += " " + UnixDate(random, sizeForm != 1) + " ";
    line += kNames[random.Next(std::size(kNames))];
    return line;
}

std::string DosLine(Random& random) {
    char text[160];
    const unsigned day = 1 + random.Next(28);
    const unsigned month = 1 + random.Next(12);
    const unsigned year = random.Next(100);
    const unsigned hour = 1 + random.Next(12);
    const unsigned minute = random.Next(60);
    const char* half = random.Next(2) == 0 ? "AM" : "PM";
    const char* name = kNames[random.Next(std::size(kNames))];
    const std::uint32_t size = random.Next(100000000);
    const bool folder = random.Next(4) == 0;
    const std::string sizeText = folder ? "<DIR>"
                                        : std::to_string(size / 1000000) + "," +
                                              std::to_string(size / 1000 % 1000 + 100) + "," +
                                              std::to_string(size % 1000 + 100);
    switch (random.Next(3)) {
        case 0:
            std::snprintf(text, sizeof(text), "%02u-%02u-%02u  %02u:%02u%s  %14s %s", month, day,
                          year, hour, minute, half, sizeText.c_str(), name);
            break;
        case 1:
            std::snprintf(text, sizeof(text), "%u-%02u-%02u %02u:%02u %s %s", 2000 + year % 30,
                          month, day, hour + 8, minute, sizeText.c_str(), name);
            break;
        default:
            std::snprintf(text, sizeof(text), "%02u.%02u.%02u %02u:%02u %s %s", day, month, year,
                          hour, minute, sizeText.c_str(), name);
            break;
    }
    return text;
}

}  // namespace

int main() {
    Random random;
    std::string buffer;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    spans.reserve(kLineCount);
    for (std::size_t i = 0; i < kLineCount; ++i) {
        const std::string line = random.Next(4) == 0 ? DosLine(random) : UnixLine(random);
        spans.emplace_back(buffer.size(), line.size());
        buffer += line;
    }
    std::vector<std::string_view> lines;
    lines.reserve(kLineCount);
    for (const auto& [offset, length] : spans) {
        lines.emplace_back(buffer.data() + offset, length);
    }

    FtpListLine out;
    std::size_t accepted = 0;
    std::uint64_t checksum = 0;
    double best = 1e30;
    for (int pass = 0; pass < kPasses; ++pass) {
        accepted = 0;
        const auto start = std::chrono::steady_clock::now();
        for (std::string_view line : lines) {
            if (ParseListLine(line, out)) {
                ++accepted;
                checksum += out.size + static_cast<std::uint64_t>(out.day + out.name.size());
            }
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    const double megabytes = static_cast<double>(buffer.size()) / 1e6;
    std::printf("ParseListLine: %zu lines (%zu accepted), %.1f MB, best of %d passes %.3f s\n",
                lines.size(), accepted, megabytes, kPasses, best);
    std::printf("%.2f million lines/s, %.1f MB/s (checksum %llu)\n",
                static_cast<double>(lines.size()) / best / 1e6, megabytes / best,
                static_cast<unsigned long long>(checksum));
    return accepted == lines.size() ? 0 : 1;
}
