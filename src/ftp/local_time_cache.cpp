#include "ftp/local_time_cache.h"

#include "ftp/date_time.h"

std::int32_t LocalTimeCache::Convert(time_t& out, int year, int month, int day, int hour,
                                     int minute, int second) {
    const bool usual = year >= 0 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                       day <= 31 && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
                       second >= 0 && second <= 59;
    if (!usual) {
        return MakeTimeFromFields(out, year, month, day, hour, minute, second);
    }
    const std::uint64_t key = ((static_cast<std::uint64_t>(year) * 16 + month) * 32 + day) * 32 +
                              static_cast<std::uint64_t>(hour);
    auto found = hours_.find(key);
    if (found == hours_.end()) {
        if (hours_.size() >= kMaxHours) {
            hours_.clear();
        }
        Hour start{0, 0};
        start.converted = MakeTimeFromFields(start.start, year, month, day, hour, 0, 0);
        found = hours_.emplace(key, start).first;
    }
    if (!found->second.converted) {
        return 0;
    }
    out = found->second.start + minute * 60 + second;
    return 1;
}
