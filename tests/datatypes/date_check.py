"""The calendar core against Python's datetime for every year from 1 to 9999:
day numbers, weekdays, days of the year, weeks and ISO weeks on the days
around each year's turn and leap day, and a few random days of each year."""
import datetime
import os
import random
import subprocess
import sys

# Time-outs grow with the build's slowness: ctest passes the factor of the
# sanitizer and torture builds.
TIME_SCALE = float(os.environ.get("ZEP_TEST_TIME_SCALE", "1"))

PROBE = os.path.join(sys.argv[1], "probes", "date_probe")
# Day numbers count from 1 March of year 0; Python's ordinals from 1 January
# of year 1, which is day 306.
DAY_OFFSET = 305


def dates_of(year, rng):
    days = [datetime.date(year, 1, d) for d in range(1, 8)]
    days += [datetime.date(year, 2, 28), datetime.date(year, 3, 1)]
    if year % 4 == 0 and (year % 100 != 0 or year % 400 == 0):
        days.append(datetime.date(year, 2, 29))
    days += [datetime.date(year, 12, d) for d in range(25, 32)]
    start = datetime.date(year, 1, 1).toordinal()
    days += [datetime.date.fromordinal(start + rng.randrange(0, 365)) for _ in range(3)]
    return days


def expected(d):
    yday = d.timetuple().tm_yday
    sunday_weekday = d.isoweekday() % 7
    # Weeks start on Sunday; week 1 holds 1 January.
    sunday_week = (yday - 1 + 7 - sunday_weekday) // 7
    jan1_is_sunday = datetime.date(d.year, 1, 1).isoweekday() == 7
    week = sunday_week + (0 if jan1_is_sunday else 1)
    return (f"{d.toordinal() + DAY_OFFSET} {d.isoweekday()} {yday} {week} "
            f"{d.isocalendar()[1]} {d.year} {d.month} {d.day}")


def main():
    rng = random.Random(1970)
    dates = [d for year in range(1, 10000) for d in dates_of(year, rng)]
    stdin = "".join(f"{d.year} {d.month} {d.day}\n" for d in dates)
    run = subprocess.run([PROBE], input=stdin.encode(), capture_output=True, timeout=120 * TIME_SCALE)
    if run.returncode != 0:
        print(f"probe failed with status {run.returncode}")
        return 1
    lines = run.stdout.decode().splitlines()
    if len(lines) != len(dates):
        print(f"expected {len(dates)} lines, got {len(lines)}")
        return 1
    failures = [(d, got, expected(d)) for d, got in zip(dates, lines) if got != expected(d)]
    for d, got, want in failures[:10]:
        print(f"{d}: got {got!r}, expected {want!r}")
    if failures:
        print(f"{len(failures)} of {len(dates)} dates differ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
