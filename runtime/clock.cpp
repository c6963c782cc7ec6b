// Clock readings for `now` and `date!`.
#include <cstdlib>
#include <ctime>

#include "runtime/platform.h"

namespace zep::platform {

namespace {
constexpr long seconds_per_day = 86400;

timespec realtime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts;
}
} // namespace

double now_utc(bool precise) {
    // POSIX time counts every UTC day as 86,400 seconds, so the seconds of
    // the day are the remainder. The fraction uses the clock's real
    // nanoseconds rather than 100-nanosecond ticks.
    timespec ts = realtime();
    long of_day = static_cast<long>(ts.tv_sec % seconds_per_day);
    if (of_day < 0) of_day += seconds_per_day;
    double seconds = static_cast<double>(of_day);
    if (precise) seconds += static_cast<double>(ts.tv_nsec) / 1e9;
    return seconds;
}

uint32_t pack_zone(long offset_seconds) {
    bool negative = offset_seconds < 0;
    long minutes = std::labs(offset_seconds) / 60;
    long hours = minutes / 60;
    // Real offsets lie within -12 and +14 hours; four bits keep them and
    // leave bit 6 to the sign.
    if (hours > 15) hours = 15;
    uint32_t zone = static_cast<uint32_t>(hours) << 2 | static_cast<uint32_t>(minutes % 60 / 15);
    return negative ? zone | 0x40 : zone;
}

uint32_t pack_date(int year, int month, int day, uint32_t zone) {
    return static_cast<uint32_t>(year) << 17 | static_cast<uint32_t>(month) << 12 |
           static_cast<uint32_t>(day) << 7 | (zone & 0x7F);
}

uint32_t local_time(bool utc) {
    time_t now = realtime().tv_sec;
    tm parts{};
    if (utc) {
        gmtime_r(&now, &parts);
        return pack_date(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, 0);
    }
    localtime_r(&now, &parts);
    return pack_date(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                     pack_zone(parts.tm_gmtoff));
}

} // namespace zep::platform
