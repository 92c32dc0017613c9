// LIST lines come straight from the server: any bytes must parse or be refused without reading
// outside the line, and an accepted line must give a plausible record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "frame/text_limits.h"
#include "ftp/list_parser.h"
#include "fuzz_check.h"

namespace {

void CheckRecord(const FtpListLine& out) {
    Check(out.hasDate == 1);
    Check(out.month >= 1 && out.month <= 12);
    // Day 0 only where a year-first line gave a time instead of a day.
    Check(out.day >= 0 && out.day <= 31);
    Check(out.day != 0 || out.hasTime == 1);
    Check(out.isFolder <= 1 && out.isLink <= 1);
    Check(out.hasTime <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exactly sized copy, so that a read past the end is caught.
    std::unique_ptr<char[]> copy(new char[size == 0 ? 1 : size]);
    if (size > 0) {
        std::memcpy(copy.get(), data, size);
    }
    const char* text = copy.get();
    static constexpr ListToday kToday{2024, 6, 15};

    FtpListLine out;
    if (ParseListLine(std::string_view(text, size), out, &kToday)) {
        CheckRecord(out);
    }
    Check(out.name.size() <= kTextLimit);

    // The layouts and token readers on their own, on the same bytes with any NULs in them.
    FtpListLine unixLine;
    if (ParseUnixListLine(text, size, unixLine, &kToday)) {
        CheckRecord(unixLine);
    }
    Check(unixLine.name.size() <= kTextLimit);
    FtpListLine dosLine;
    if (ParseDosListLine(text, size, dosLine)) {
        CheckRecord(dosLine);
        Check(dosLine.isLink == 0 && dosLine.day >= 1);
    }
    Check(dosLine.name.size() <= kTextLimit);

    std::uint64_t value = 0;
    ParseSizeToken(text, size, &value);
    FtpListLine parts;
    if (ParseDosDate(text, size, parts)) {
        Check(parts.month >= 1 && parts.month <= 12 && parts.day >= 1 && parts.day <= 31);
    }
    if (ParseDosTime(text, size, parts)) {
        Check(parts.hour >= 0 && parts.hour <= 24 && parts.minute >= 0 && parts.minute <= 59);
    }
    const int month = LookUpMonthName(std::string_view(text, size));
    Check(month >= 0 && month <= 12);
    return 0;
}
