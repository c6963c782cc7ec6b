// Loading dates in every form: day-month-year and year-month-day with "-"
// or "/", month names, two-digit years, ISO week and ordinal dates, the
// compact form, times and zones.
#include "datatypes/date.h"
#include "tests/services/lexer_load_fixture.h"

namespace zep::testing {
namespace {

class LexerLoadDate : public LexerLoadTest {};

struct DateCase {
    const char* source;
    int32_t year, month, day;
    double local_time; // -1: no time
    int32_t zone_seconds;
};

TEST_F(LexerLoadDate, Forms) {
    const DateCase cases[] = {
        {"1-Jan-2000", 2000, 1, 1, -1, 0},
        {"1/1/2000", 2000, 1, 1, -1, 0},
        {"2000-01-15", 2000, 1, 15, -1, 0},
        {"2000/3/4", 2000, 3, 4, -1, 0},
        {"15-march-99", 1999, 3, 15, -1, 0},
        {"1-Jan-49", 2049, 1, 1, -1, 0},
        {"1-Jan-50", 1950, 1, 1, -1, 0},
        {"0001-01-01", 1, 1, 1, -1, 0},
        {"1-SEPTEMBER-2020", 2020, 9, 1, -1, 0},
        {"1-Sep-0099", 99, 9, 1, -1, 0},
        {"-44-03-15", -44, 3, 15, -1, 0},
        {"29-Feb-2000", 2000, 2, 29, -1, 0},
        {"1-Jan-2000/10:30", 2000, 1, 1, 37800, 0},
        {"1-Jan-2000/10:30:15.5+5:30", 2000, 1, 1, 37815.5, 19800},
        {"1-Jan-2000/1:00-0230", 2000, 1, 1, 3600, -9000},
        {"1/1/2000/23:59:59", 2000, 1, 1, 86399, 0},
        {"2000-01-01T10:00:00Z", 2000, 1, 1, 36000, 0},
        {"2000-01-01T10:00+01:00", 2000, 1, 1, 36000, 3600},
        {"20240105T103000Z", 2024, 1, 5, 37800, 0},
        {"20240105T1030-5", 2024, 1, 5, 37800, -18000},
        {"2024-W05", 2024, 1, 29, -1, 0},
        {"2024-W05-3", 2024, 1, 31, -1, 0},
        {"2020-W53-7", 2021, 1, 3, -1, 0},
        {"2024-032", 2024, 2, 1, -1, 0},
        {"2024-366", 2024, 12, 31, -1, 0},
        {"2024-032T12:00", 2024, 2, 1, 43200, 0},
    };
    for (const DateCase& c : cases) {
        Cell v = load(c.source);
        ASSERT_EQ(cell_type(&v), type_id::date) << c.source;
        uint32_t packed = date::packed_of(&v);
        EXPECT_EQ(date::year_of(packed), c.year) << c.source;
        EXPECT_EQ(date::month_of(packed), c.month) << c.source;
        EXPECT_EQ(date::day_of(packed), c.day) << c.source;
        EXPECT_EQ(date::has_time(packed), c.local_time >= 0) << c.source;
        if (c.local_time < 0) continue;
        int32_t zone = date::zone_offset(date::zone_of(packed));
        EXPECT_EQ(zone, c.zone_seconds) << c.source;
        EXPECT_EQ(date::time_of(&v) + zone, c.local_time) << c.source;
    }
}

TEST_F(LexerLoadDate, Invalid) {
    for (const char* bad : {"29-Feb-2001",
                            "31-Apr-2000",
                            "32-Jan-2000",
                            "1-13-2000",
                            "0-Jan-2000",
                            "1-Ja-2000",
                            "1-Janu4ry-2000",
                            "1-Jan/2000",
                            "1-Jan-10000",
                            "1-Jan-2000/24:00",
                            "1-Jan-2000/10:60",
                            "1-Jan-2000/10:00:60",
                            "1-Jan-2000/10",
                            "1-Jan-2000/10:00+16:00",
                            "1-Jan-2000/10:00+5:10",
                            "1-Jan-2000/10:00Zx",
                            "2024-W54",
                            "2024-W00",
                            "2024-W05-8",
                            "2023-366",
                            "2024-000",
                            "20241305T1030",
                            "1-Jan-2000x"})
        EXPECT_EQ(failure(bad), (Failure{"invalid", type_id::date})) << bad;
}

} // namespace
} // namespace zep::testing
