#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <unordered_map>

// MakeTimeFromFields for the many dates of one listing. Without TZ in the environment the C
// library checks the zone file on every conversion (three stat calls each), which costs more than
// reading the whole listing; this converts each hour once and adds minutes and seconds to it.
// Only for dates whose fields are in their usual ranges; others go to MakeTimeFromFields as they
// are. Clock changes by whole hours give the same results as converting each date on its own;
// within the hour of a change by part of an hour, a result may differ by that part.
class LocalTimeCache {
public:
    // The same contract as MakeTimeFromFields: 1 with the time in out, or 0 leaving out as it was.
    std::int32_t Convert(time_t& out, int year, int month, int day, int hour, int minute,
                         int second);

private:
    struct Hour {
        std::int32_t converted;
        time_t start;
    };
    // A listing has few distinct hours; a hostile one cannot grow this past a bound.
    static constexpr std::size_t kMaxHours = 4096;
    std::unordered_map<std::uint64_t, Hour> hours_;
};
