// The natives that talk to the operating system: wait, the environment,
// now, call, size? and browse; and the group's registration.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <ctime>

#include "datatypes/binary.h"
#include "datatypes/block.h"
#include "datatypes/date.h"
#include "datatypes/file.h"
#include "datatypes/map.h"
#include "datatypes/string_buffer.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/natives.h"
#include "evaluator/natives_system.h"
#include "evaluator/natives_system_support.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/platform.h"
#include "runtime/value_make.h"
#include "services/browse.h"
#include "services/environment.h"
#include "services/lexer.h"
#include "services/process.h"

namespace zep::natives {

using namespace system;

namespace {

void set_result(void (*set)(Cell*)) {
    set(stack::base());
    stack::keep_first();
}

// A text handed to the system must not hold the code point 0, which would
// cut it short: script invalid-arg with the value.
std::string system_text(const std::string& text, const Cell* value) {
    if (text.find('\0') != std::string::npos)
        error::fire(error::Category::script, "invalid-arg", value);
    return text;
}

// True for a path that names a directory: ending in / or \, being . or ..,
// or ending in /. or /..
bool names_directory(const std::string& path) {
    if (path.empty()) return false;
    char last = path.back();
    if (last == '/' || last == '\\') return true;
    auto ends_with = [&](const char* end) {
        size_t n = std::char_traits<char>::length(end);
        return path.size() >= n && path.compare(path.size() - n, n, end) == 0;
    };
    return path == "." || path == ".." || ends_with("/.") || ends_with("/..");
}

// One stream of a call: the target's kind and contents.
call::Stream stream_of(const Cell* target, bool is_input) {
    call::Stream stream;
    if (!target) return stream;
    switch (cell_type(target)) {
    case type_id::file:
        stream.kind = call::Stream::Kind::file;
        stream.path = system_text(file::to_local_cstring(target), target);
        break;
    case type_id::string:
    case type_id::binary:
        stream.kind = call::Stream::Kind::buffer;
        if (is_input) stream.bytes = bytes_of(target);
        break;
    default:
        error::fire(error::Category::script, "invalid-arg", target);
    }
    return stream;
}

// Appends captured output to a string! (decoded as UTF-8) or binary! target.
void append_captured(Cell* target, const std::string& bytes) {
    if (!target || cell_type(target) == type_id::file || bytes.empty()) return;
    Cell* captured = stack::push_slot();
    value::set_none(captured);
    if (cell_type(target) == type_id::binary) {
        binary::load_at(reinterpret_cast<const unsigned char*>(bytes.data()), outside_length(bytes),
                        captured);
    } else {
        load_string(bytes, captured);
    }
    actions::dispatch_append(target, captured, -1, false, 1);
}

// The current time read once: the UTC date and seconds of the day, and the
// local zone.
struct Clock {
    uint32_t utc_date;
    double utc_seconds;
    uint32_t zone;
};

Clock read_clock(bool precise) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    time_t seconds = ts.tv_sec;
    tm utc{}, local{};
    gmtime_r(&seconds, &utc);
    localtime_r(&seconds, &local);
    Clock clock;
    clock.utc_date = date::pack(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, 0, false);
    clock.utc_seconds = utc.tm_hour * 3600.0 + utc.tm_min * 60.0 + utc.tm_sec;
    if (precise) clock.utc_seconds += static_cast<double>(ts.tv_nsec) / 1e9;
    clock.zone = platform::pack_zone(local.tm_gmtoff);
    return clock;
}

} // namespace

void wait(bool check, const int32_t*) {
    Cell* value = arg(0);
    expect(check, "wait", value,
           number_types | mask_of({type_id::time, type_id::block, type_id::none}), "value");
    double seconds = 0;
    switch (cell_type(value)) {
    case type_id::integer:
        seconds = value::integer_of(value);
        break;
    case type_id::float_:
    case type_id::time:
        seconds = value::double_of(value);
        break;
    default:
        error::fire(error::Category::script, "invalid-arg", value);
    }
    platform::sleep(seconds);
    set_result(value::set_none);
}

void set_env(bool check, const int32_t*) {
    expect(check, "set-env", arg(0), any_string_types | any_word_types, "var");
    expect(check, "set-env", arg(1), mask_of({type_id::string, type_id::none}), "value");
    std::string name = system_text(name_of(arg(0)), arg(0));
    bool remove = cell_type(arg(1)) == type_id::none;
    std::string text = remove ? std::string() : system_text(string::utf8_of(arg(1)), arg(1));
    // The system refuses an empty name or one holding "=".
    if (name.empty() || name.find('=') != std::string::npos ||
        !platform::set_env(name.c_str(), remove ? nullptr : text.c_str()))
        error::fire(error::Category::script, "invalid-arg", arg(0));
    stack::set_result_only(arg(1));
}

void get_env(bool check, const int32_t*) {
    expect(check, "get-env", arg(0), any_string_types | any_word_types, "var");
    std::string name = name_of(arg(0));
    const char* found = name.find('\0') == std::string::npos ? std::getenv(name.c_str()) : nullptr;
    if (!found) return set_result(value::set_none);
    set_string_result(found);
}

void list_env(bool, const int32_t*) {
    auto variables = os::list_env();
    uint64_t cells = uint64_t{variables.size()} * 2;
    Cell* pairs = block::push_new(static_cast<int32_t>(cells < 2 ? 2 : cells));
    for (const auto& [name, text] : variables) {
        for (const std::string* part : {&name, &text}) {
            string::load_in(reinterpret_cast<const unsigned char*>(part->data()),
                            static_cast<uint32_t>(part->size()), pairs, string::encoding::utf8);
        }
    }
    map::make_at(pairs, static_cast<uint32_t>(cells < 2 ? 2 : cells));
    stack::set_result_only(pairs);
}

void now(bool, const int32_t* refinements) {
    enum { year, month, day, time, zone, date_only, weekday, yearday, precise, utc };
    int given = 0;
    for (int i = year; i <= precise; ++i) given += has_refinement(refinements, i) ? 1 : 0;
    bool time_and_precise =
        given == 2 && has_refinement(refinements, time) && has_refinement(refinements, precise);
    if (given > 1 && !time_and_precise) error::fire(error::Category::script, "bad-refines");

    Clock clock = read_clock(has_refinement(refinements, precise));
    uint32_t zone_bits = has_refinement(refinements, utc) ? 0 : clock.zone;
    double seconds = clock.utc_seconds;
    int64_t days = date::normalize_time(date::date_to_days(clock.utc_date), &seconds, zone_bits);
    Cell* out = stack::base();
    if (has_refinement(refinements, date_only)) {
        date::set_cell(out, date::days_to_date(days, 0, false), 0.0);
        stack::keep_first();
        return;
    }
    date::set_cell(out, date::days_to_date(days, zone_bits, true), seconds);
    struct Field {
        int refinement;
        int32_t field;
    };
    const Field fields[] = {{year, date::field::year}, {month, date::field::month},
                            {day, date::field::day},   {zone, date::field::zone},
                            {time, date::field::time}, {weekday, date::field::weekday}};
    Cell whole = *out;
    for (const Field& f : fields) {
        if (has_refinement(refinements, f.refinement)) date::get_field(&whole, f.field, out);
    }
    if (has_refinement(refinements, yearday))
        value::set_integer(out, date::year_day(date::packed_of(&whole)));
    stack::keep_first();
}

void call(bool check, const int32_t* refinements) {
    enum { wait_, show, console, shell, input, output, error_ };
    Cell* command = arg(0);
    Cell* in = refinement_arg(refinements, input);
    Cell* out = refinement_arg(refinements, output);
    Cell* err = refinement_arg(refinements, error_);
    const TypeMask targets = mask_of({type_id::string, type_id::file, type_id::binary});
    expect(check, "call", command, mask_of({type_id::string, type_id::file}), "cmd");
    expect(check, "call", in, targets, "in");
    expect(check, "call", out, targets, "out");
    expect(check, "call", err, targets, "err");
    if (string::is_at_tail(command)) {
        value::set_integer(stack::base(), 0);
        stack::keep_first();
        return;
    }
    call::Request request;
    request.command = system_text(local_path_of(command), command);
    request.wait = has_refinement(refinements, wait_);
    request.show = has_refinement(refinements, show);
    request.console = has_refinement(refinements, console);
    request.shell = has_refinement(refinements, shell);
    request.input = stream_of(in, true);
    request.output = stream_of(out, false);
    request.error = stream_of(err, false);
    int32_t status = call::run_command(request);
    append_captured(out, request.output.bytes);
    append_captured(err, request.error.bytes);
    value::set_integer(stack::base(), status);
    stack::keep_first();
}

void is_size(bool check, const int32_t*) {
    expect(check, "size?", arg(0), mask_of({type_id::file}), "file");
    std::string path = local_path_of(arg(0));
    if (names_directory(path) || path.find('\0') != std::string::npos)
        return set_result(value::set_none);
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return set_result(value::set_none);
    struct stat info {};
    bool known = fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode) && info.st_size >= 0;
    close(fd);
    if (!known) return set_result(value::set_none);
    // A size beyond the integer! range is given as a float!.
    if (info.st_size <= INT32_MAX) {
        value::set_integer(stack::base(), static_cast<int32_t>(info.st_size));
    } else {
        value::set_float(stack::base(), static_cast<double>(info.st_size));
    }
    stack::keep_first();
}

void browse(bool check, const int32_t*) {
    expect(check, "browse", arg(0), mask_of({type_id::url, type_id::file}), "url");
    std::string target = system_text(local_path_of(arg(0)), arg(0));
    browse::open(target);
    set_result(value::set_unset);
}

void register_system() {
    struct Native {
        int32_t index;
        Entry entry;
    };
    const Native natives[] = {
        {index::print, print},
        {index::prin, prin},
        {index::stats, stats},
        {index::dehex, dehex},
        {index::enhex, enhex},
        {index::uppercase, uppercase},
        {index::lowercase, lowercase},
        {index::debase, debase},
        {index::to_local_file, to_local_file},
        {index::wait, wait},
        {index::checksum, checksum},
        {index::enbase, enbase},
        {index::set_env, set_env},
        {index::get_env, get_env},
        {index::list_env, list_env},
        {index::now, now},
        {index::call, call},
        {index::is_size, is_size},
        {index::browse, browse},
        {index::compress, compress},
        {index::decompress, decompress},
        {index::recycle, recycle},
        {index::transcode, transcode},
    };
    for (const Native& n : natives) set_entry(n.index, n.entry);
    lexer::run_callback = run_lexer_callback;
}

} // namespace zep::natives
