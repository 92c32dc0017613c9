#pragma once

#include <ctime>

#include <cstdint>
#include <string>

// Dates of remote and local items: broken-down local dates to time values with the two-digit-year
// rules, and the date and time texts of the file panes.

// Converts a local date (month 1 to 12) to a time value; the library decides about daylight
// saving time. Years of 69 or less mean 2000 + year, 70 to 1899 mean 1900 + year, later years
// are full years. Returns 1 with the time in out, or 0 when the date cannot be converted (the
// conversion gives -1), leaving out as it was.
std::int32_t MakeTimeFromFields(time_t& out, int year, int month, int day, int hour, int minute,
                                int second);

// The same for a date in UTC (a server's MLSD, MLST and MDTM times). Daylight saving time plays
// no part, so a summer date read in winter is not an hour off.
std::int32_t MakeUtcTimeFromFields(time_t& out, int year, int month, int day, int hour, int minute,
                                   int second);

// Reads "year-month-day" and "hour:minute:second" texts as a local time, with the year rules of
// MakeTimeFromFields. Missing parts default to day 1, month 1, year 0 and zero time; an empty
// date text gives 0. When the date cannot be converted, out keeps its value.
void ParseDateTimeText(time_t& out, const std::string& dateText, const std::string& timeText);

// The local date as "YYYY-MM-DD" and time as "HH:MM:SS"; time 0 gives two empty texts.
void FormatDateTime(time_t time, std::string& dateText, std::string& timeText);

// Seconds to add to local wall-clock seconds to get UTC seconds, now: minus the UTC offset of
// local time (-7200 two hours east of UTC).
std::int32_t GetTimeZoneBias();
