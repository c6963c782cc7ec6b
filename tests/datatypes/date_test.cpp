// date!: zones and normalisation, field setters, make/to, text, comparison
// and arithmetic. The calendar itself is checked against Python's datetime
// by date_check.py.
#include "tests/datatypes/scalar_fixture.h"

namespace zep {
namespace {

class DateTest : public testing::ScalarTest {
  protected:
    static Cell day(int32_t y, int32_t m, int32_t d) {
        Cell c;
        return *date::make_from_parts(&c, y, m, d, 0, 0, 0, false);
    }
    static Cell made(std::initializer_list<Cell> fields, bool checked = true) {
        Cell spec = block_of(fields), out;
        if (checked)
            date::make(&out, &spec, type_id::date);
        else
            date::to(&out, &spec, type_id::date);
        return out;
    }
    static Cell field(const Cell& d, int32_t n) {
        Cell out;
        return *date::get_field(&d, n, &out);
    }
    static double double_in(Cell c) { return value::double_of(&c); }
    static int32_t integer_in(Cell c) { return value::integer_of(&c); }
    static uint8_t type_in(Cell c) { return cell_type(&c); }
    static Cell with(Cell d, int32_t n, Cell value) {
        date::set_field(&d, n, &value);
        return d;
    }
};

TEST_F(DateTest, DayNumbersRoundTripThroughNegativeYears) {
    uint32_t first = date::pack(-9999, 1, 1, 0, false);
    int32_t start = date::date_to_days(first);
    int32_t end = date::date_to_days(date::pack(9999, 12, 31, 0, false));
    int32_t previous_day = 0;
    for (int32_t g = start; g <= end; ++g) {
        uint32_t packed = date::days_to_date(g, 0, false);
        ASSERT_EQ(date::date_to_days(packed), g);
        ASSERT_NE(date::day_of(packed), previous_day) << g;
        previous_day = date::day_of(packed);
    }
    EXPECT_TRUE(date::is_leap_year(-4));
    EXPECT_FALSE(date::is_leap_year(-100));
    EXPECT_EQ(mold(day(-44, 3, 15)), "15/Mar/-0044");
    EXPECT_EQ(mold(day(99, 2, 1)), "1-Feb-0099");
    EXPECT_EQ(mold(day(2020, 12, 5)), "5-Dec-2020");
}

TEST_F(DateTest, ZonesUseTheExactSignedOffset) {
    Cell d;
    date::make_from_parts(&d, 2020, 5, 1, 3600, 2, 0, true); // 01:00 local at +02:00
    date::normalize(&d, date::time_of(&d), false);
    EXPECT_EQ(date::day_of(date::packed_of(&d)), 1);
    EXPECT_EQ(date::time_of(&d), -3600);
    EXPECT_EQ(double_in(field(d, date::field::time)), 3600);
    EXPECT_EQ(mold(d), "1-May-2020/1:00:00+02:00");

    // 23:50 at -05:30 is 05:20 UTC the next day; the local date stays.
    date::make_from_parts(&d, 2020, 1, 1, 23 * 3600 + 50 * 60, -5, 30, true);
    date::normalize(&d, date::time_of(&d), false);
    EXPECT_EQ(date::day_of(date::packed_of(&d)), 1);
    EXPECT_EQ(double_in(field(d, date::field::zone)), -(5 * 3600 + 1800));
    EXPECT_EQ(integer_in(field(d, date::field::hour)), 23);
    EXPECT_EQ(mold(d), "1-Jan-2020/23:50:00-05:30");

    // timezone keeps the instant, zone keeps the wall clock.
    Cell moved = with(d, date::field::timezone, time(3600));
    EXPECT_EQ(mold(moved), "2-Jan-2020/6:20:00+01:00");
    Cell kept = with(d, date::field::zone, integer(1));
    EXPECT_EQ(mold(kept), "1-Jan-2020/23:50:00+01:00");
}

TEST_F(DateTest, SettersNormalise) {
    Cell jan31 = day(2020, 1, 31);
    EXPECT_EQ(mold(with(jan31, date::field::month, integer(14))), "3-Mar-2021");
    EXPECT_EQ(mold(with(jan31, date::field::month, integer(-1))), "1-Dec-2019");
    EXPECT_EQ(mold(with(day(2020, 3, 10), date::field::day, integer(0))), "29-Feb-2020");
    EXPECT_EQ(mold(with(day(2020, 2, 29), date::field::year, integer(2021))), "1-Mar-2021");
    EXPECT_EQ(mold(with(day(2020, 5, 20), date::field::yearday, integer(1))), "1-Jan-2020");
    EXPECT_EQ(mold(with(day(2021, 5, 20), date::field::isoweek, integer(1))), "4-Jan-2021");
    EXPECT_EQ(mold(with(day(2021, 5, 20), date::field::weekday, integer(7))), "23-May-2021");
    EXPECT_EQ(mold(with(day(2021, 5, 20), date::field::week, integer(2))), "3-Jan-2021");
    Cell timed = with(day(2021, 5, 20), date::field::hour, integer(25));
    EXPECT_EQ(mold(timed), "21-May-2021/1:00:00");
    EXPECT_EQ(mold(with(timed, date::field::time, Cell{type_id::none, 0, 0, 0})), "21-May-2021");

    EXPECT_EQ(integer_in(field(day(2021, 1, 1), date::field::isoweek)), 53);
    EXPECT_EQ(integer_in(field(day(2022, 1, 1), date::field::isoweek)), 52);
    EXPECT_EQ(type_in(field(day(2021, 1, 1), date::field::zone)), type_id::none);

    Cell d = day(2021, 5, 20);
    EXPECT_TRUE(script_error("invalid-arg", [&] { with(d, date::field::year, time(1)); }));
    EXPECT_TRUE(script_error("out-of-range", [&] {
        Cell index = integer(15);
        date::pick(&d, 15, &index);
    }));
    EXPECT_TRUE(script_error("invalid-path", [&] {
        Cell bad = word_named("fortnight");
        date::eval_path(&d, &bad, nullptr, nullptr);
    }));
    EXPECT_TRUE(raises(error::Category::math, "overflow",
                       [&] { with(d, date::field::year, integer(20000)); }));
    EXPECT_EQ(mold(d), "20-May-2021"); // unchanged by the failed setters
    Cell month = word_named("MONTH");
    EXPECT_EQ(value::integer_of(date::eval_path(&d, &month, nullptr, nullptr)), 5);
    EXPECT_EQ(cell_type(&d), type_id::date);
}

TEST_F(DateTest, MakeChecksAndToNormalises) {
    Cell i1 = integer(1), i2 = integer(2), y2020 = integer(2020);
    EXPECT_TRUE(script_error("bad-to-arg", [&] {
        made({i1, i2, y2020, integer(25), integer(0)});
    }));
    EXPECT_EQ(mold(made({i1, i2, y2020, integer(25), integer(0)}, false)), "2-Feb-2020/1:00:00");
    EXPECT_EQ(mold(made({y2020, i2, i1})), "1-Feb-2020");
    EXPECT_EQ(mold(made({i1, i2, integer(99)})), "1-Feb-0099");
    EXPECT_EQ(mold(made({i1, i2, y2020, time(3600), integer(-5), integer(30)})),
              "1-Feb-2020/1:00:00-05:30");
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made({i1, integer(13), y2020}); }));
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made({i1, i2}); }));
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made({i1, i2, y2020, integer(1)}); }));
    EXPECT_TRUE(script_error("bad-to-arg", [&] { made({i1, i2, y2020, text("x")}); }));

    Cell out, seconds = integer(-1);
    date::to(&out, &seconds, type_id::date);
    EXPECT_EQ(mold(out), "31-Dec-1969/23:59:59");
    EXPECT_EQ(date::to_epoch_seconds(&out), -1);
    Cell late = day(2100, 1, 1);
    EXPECT_TRUE(script_error("out-of-range", [&] { date::to_epoch_seconds(&late); }));
}

TEST_F(DateTest, CompareAndMath) {
    Cell a = day(2020, 3, 1), b = day(2020, 2, 28);
    EXPECT_EQ(date::compare(&a, &b, compare_code::lesser), 1);
    EXPECT_EQ(date::compare(&a, &a, compare_code::equal), 0);
    Cell one = integer(1);
    EXPECT_EQ(date::compare(&a, &one, compare_code::equal), compare_code::not_comparable);

    Cell diff = a;
    date::math(&diff, &b, 1);
    EXPECT_EQ(cell_type(&diff), type_id::integer);
    EXPECT_EQ(value::integer_of(&diff), 2);
    Cell span = a;
    date::difference(&span, &b);
    EXPECT_EQ(cell_type(&span), type_id::time);
    EXPECT_EQ(value::double_of(&span), 2 * 86400.0);
    EXPECT_TRUE(script_error("not-related", [&] { date::math(&a, &b, 0); }));
    EXPECT_TRUE(script_error("invalid-type", [&] {
        Cell bad = text("x");
        date::math(&a, &bad, 0);
    }));

    Cell later = b;
    date::math(&later, &one, 0);
    EXPECT_EQ(mold(later), "29-Feb-2020");
    Cell hours = time(-3600);
    date::math(&later, &hours, 0);
    EXPECT_EQ(mold(later), "28-Feb-2020/23:00:00");
    Cell far = integer(2147483647);
    EXPECT_TRUE(raises(error::Category::math, "overflow", [&] { date::math(&later, &far, 0); }));

    // A list without the month's name raises; with no list installed yet the
    // default English names serve.
    Cell dated = a;
    static Cell short_list;
    short_list = block_of({});
    date::set_months_source([] { return static_cast<const Cell*>(&short_list); });
    EXPECT_TRUE(script_error("invalid-months", [&] { mold(dated); }));
    date::set_months_source(nullptr);
    EXPECT_EQ(mold(dated), "1-Mar-2020");
}

} // namespace
} // namespace zep
