// Reads dates "year month day" from standard input and prints, for each, the
// calendar core's view of it: day number, weekday, day of the year, week,
// ISO week, then the date that the day number converts back to.
#include <cstdio>

#include "datatypes/date.h"

using namespace zep;

int main() {
    int year, month, day;
    while (std::scanf("%d %d %d", &year, &month, &day) == 3) {
        uint32_t packed = date::pack(year, month, day, 0, false);
        int32_t days = date::date_to_days(packed);
        uint32_t back = date::days_to_date(days, 0, false);
        std::printf("%d %d %d %d %d %d %d %d\n", days, date::weekday(days), date::year_day(packed),
                    date::week(packed), date::iso_week(packed), date::year_of(back),
                    date::month_of(back), date::day_of(back));
    }
    return 0;
}
