// binary!: construction, conversion, form and mold, comparison and the
// append/insert/change of values as bytes.
#include "datatypes/binary.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "datatypes/binary_internal.h"
#include "datatypes/bitset.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_action_support.h"
#include "datatypes/string_actions.h"
#include "datatypes/string_buffer.h"
#include "datatypes/tuple.h"
#include "datatypes/url.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/arena.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"

namespace zep::binary {

namespace {

constexpr int32_t no_limit = INT32_MAX;

// The most units (here bytes) a series can hold.
constexpr uint64_t max_units = memory::max_length;

[[noreturn]] void fire_bad_to(uint8_t type, const Cell* spec) {
    Cell datatype;
    value::set_datatype(&datatype, type);
    Cell arg = *spec;
    error::fire(error::Category::script, "bad-to-arg", &datatype, &arg);
}

bool is_block_like(uint8_t type) {
    return type == type_id::block || type == type_id::paren || type == type_id::hash;
}

void append_utf8(std::string& out, uint32_t cp) {
    unsigned char buffer[4];
    uint32_t n = unicode::encode_utf8(cp, buffer);
    out.append(reinterpret_cast<const char*>(buffer), n);
}

// The text a value forms to, as UTF-8.
std::string formed_utf8(const Cell* value) {
    Cell* text = stack::push_slot();
    string::make_at(text, 16);
    Cell copy = *value;
    if (auto form_slot = actions::slot_as<FormFn>(cell_type(&copy), action_slot::form))
        form_slot(&copy, text, no_limit);
    std::string out = string::utf8_of(text);
    stack::pop(1);
    return out;
}

void cut(std::string& bytes, int32_t part) {
    if (part >= 0 && bytes.size() > static_cast<uint32_t>(part)) bytes.resize(part);
}

// Answers the buffer after making room for `needed` bytes from its head.
// More bytes than a series can count raise no-memory before anything
// changes.
SeriesBuffer* room_for(SeriesBuffer* b, uint64_t needed) {
    if (needed > memory::max_size_for(1)) string::support::fire_no_memory();
    if (uint64_t{b->head} + needed > arena::ref(buffer_end(b)))
        b = series::expand(b, memory::grown_size(needed, uint64_t{b->size} * 2, 1));
    return b;
}

uint32_t byte_count(const Cell* binary) {
    SeriesBuffer* b = node_buffer(binary->data2);
    return b->tail - b->head;
}

// ---- Gathering the bytes a value adds ----------------------------------------

// The bytes a value adds, gathered in place up to a few hundred bytes and past
// that in a binary made in a stack slot, never outside managed memory. Their
// size is checked as they grow: past what the target can hold they raise
// no-memory before they are built.
class Bytes {
  public:
    // `slot` is the stack slot for the binary; at most `limit` bytes are
    // gathered (no limit when negative); the target keeps `floor` bytes and
    // gets the bytes `dup` times.
    Bytes(Cell* slot, int64_t limit, uint64_t floor, int32_t dup)
        : slot_(slot), limit_(limit), floor_(floor), dup_(dup < 1 ? 1 : dup) {}
    Bytes(const Bytes&) = delete;
    Bytes& operator=(const Bytes&) = delete;

    uint64_t size() const { return made_ ? byte_count(slot_) : inline_size_; }
    // The bytes, valid until the next allocation.
    const unsigned char* data() const {
        return made_ ? buffer_head(node_buffer(slot_->data2)) : inline_;
    }
    bool made() const { return made_; }

    // Raises no-memory when the target could not hold `total` bytes of these.
    void check(uint64_t total) const {
        if (floor_ + total * static_cast<uint64_t>(dup_) > max_units)
            string::support::fire_no_memory();
    }
    // How many of `wanted` bytes fit under the limit.
    uint64_t room_left(uint64_t wanted) const {
        if (limit_ < 0) return wanted;
        return std::min(wanted, static_cast<uint64_t>(limit_) - size());
    }
    // Adds n bytes at the end; answers where they go (valid until the next
    // allocation).
    unsigned char* grow(uint64_t n) {
        uint64_t total = size();
        check(total + n);
        if (!made_ && total + n <= inline_room) {
            inline_size_ = static_cast<uint32_t>(total + n);
            return inline_ + total;
        }
        if (!made_) {
            make_at(slot_, static_cast<uint32_t>(total + n));
            SeriesBuffer* b = node_buffer(slot_->data2);
            std::memcpy(buffer_head(b), inline_, total);
            b->tail = b->head + static_cast<Ref>(total);
            made_ = true;
        }
        SeriesBuffer* b = room_for(node_buffer(slot_->data2), total + n);
        b->tail = b->head + static_cast<Ref>(total + n);
        return buffer_head(b) + total;
    }

  private:
    static constexpr uint32_t inline_room = 256;
    unsigned char inline_[inline_room];
    uint32_t inline_size_ = 0;
    bool made_ = false;
    Cell* slot_;
    int64_t limit_;
    uint64_t floor_;
    uint64_t dup_;
};

void add_raw(Bytes& out, const unsigned char* bytes, uint32_t n) {
    uint64_t taken = out.room_left(n);
    if (taken) std::memcpy(out.grow(taken), bytes, taken);
}

// A binary's bytes from its position.
void add_binary(Bytes& out, const Cell* binary) {
    Ref node = binary->data2;
    uint32_t from = string::support::clamped_head(binary);
    uint64_t n = out.room_left(byte_count(binary) - from);
    if (n == 0) return;
    unsigned char* at = out.grow(n);
    // Growing may have moved the source.
    std::memcpy(at, buffer_head(node_buffer(node)) + from, n);
}

// A text's characters from its position, as UTF-8.
void add_utf8(Bytes& out, const Cell* text) {
    unicode::TextRange r = unicode::text_range(text);
    uint64_t size = out.room_left(unicode::utf8_size_of_series(r.start, r.end(), r.unit));
    if (size == 0) return;
    unsigned char* at = out.grow(size);
    r = unicode::text_range(text); // growing may have moved the text
    uint64_t written = 0;
    for (uint32_t i = 0; written < size; ++i) {
        uint32_t cp = unicode::read_unit(r.start + uint64_t{i} * r.unit, r.unit);
        written += unicode::encode_utf8_bounded(
            cp, at + written, static_cast<int32_t>(std::min<uint64_t>(size - written, 4)));
    }
}

// A block being turned into bytes, on the cycle stack until the conversion
// leaves it (also through an error raised by an element).
class CycleEntry {
  public:
    explicit CycleEntry(Ref series) : depth_(cycles::depth()) { cycles::push(series); }
    ~CycleEntry() {
        if (cycles::depth() > depth_) cycles::drop(cycles::depth() - depth_);
    }
    CycleEntry(const CycleEntry&) = delete;
    CycleEntry& operator=(const CycleEntry&) = delete;

  private:
    uint32_t depth_;
};

// The bytes a value adds (see bytes_of).
void add_value(Bytes& out, const Cell* value) {
    uint8_t type = cell_type(value);
    switch (type) {
    case type_id::char_: {
        unsigned char bytes[4];
        add_raw(out, bytes, unicode::encode_utf8(value->data2, bytes));
        return;
    }
    case type_id::integer: {
        int32_t n = value::integer_of(value);
        if (n < 0 || n > 255) string::support::fire_out_of_range(value);
        unsigned char byte = static_cast<unsigned char>(n);
        add_raw(out, &byte, 1);
        return;
    }
    case type_id::binary:
        add_binary(out, value);
        return;
    default:
        break;
    }
    if (string::is_any_string(type)) {
        bool tag = type == type_id::tag;
        if (tag) add_raw(out, reinterpret_cast<const unsigned char*>("<"), 1);
        add_utf8(out, value);
        if (tag) add_raw(out, reinterpret_cast<const unsigned char*>(">"), 1);
        return;
    }
    if (!is_block_like(type)) {
        Cell* text = stack::push_slot();
        string::make_at(text, 16);
        Cell copy = *value;
        if (auto form_slot = actions::slot_as<FormFn>(cell_type(&copy), action_slot::form))
            form_slot(&copy, text, no_limit);
        add_utf8(out, text);
        stack::pop(1);
        return;
    }
    Cell block = *value;
    // A block that holds itself has no end: refused, as copy/deep does.
    if (cycles::find(block.data2)) {
        cycles::reset();
        error::fire(error::Category::internal, "no-cycle");
    }
    out.check(out.size() + out.room_left(string::support::known_length(&block, -1)));
    CycleEntry entry(block.data2);
    for (uint32_t i = string::support::clamped_head(&block);; ++i) {
        SeriesBuffer* b = node_buffer(block.data2);
        if (uint64_t{i} * sizeof(Cell) >= b->tail - b->head) break;
        if (out.room_left(1) == 0) break;
        Cell element = arena::at<Cell>(b->head)[i];
        add_value(out, &element);
    }
}

// The bytes added to a binary: `count` bytes from `head` of a binary's buffer,
// or the gathered bytes.
struct Addition {
    const Bytes* bytes = nullptr;
    Ref node = 0;
    uint32_t head = 0;
    uint32_t count = 0;

    // Valid until the next allocation.
    const unsigned char* data() const {
        return bytes ? bytes->data() : buffer_head(node_buffer(node)) + head;
    }
};

// What a value adds to the binary `series`, `part` bytes at most when part
// >= 0. A binary other than the target is read where it is; the rest is
// gathered in `bytes`.
Addition addition_of(const Cell* series, const Cell* value, int32_t part, Bytes& bytes) {
    Addition out;
    if (cell_type(value) == type_id::binary && value->data2 != series->data2) {
        out.node = value->data2;
        out.head = string::support::clamped_head(value);
        out.count = byte_count(value) - out.head;
        if (part >= 0 && static_cast<uint32_t>(part) < out.count)
            out.count = static_cast<uint32_t>(part);
        return out;
    }
    add_value(bytes, value);
    out.bytes = &bytes;
    out.count = static_cast<uint32_t>(bytes.size());
    return out;
}

// Replaces `removed` bytes at `at` by the addition repeated `dup` times;
// answers the number of bytes written.
uint32_t splice(Cell* series, uint32_t at, uint32_t removed, const Addition& addition,
                int32_t dup) {
    SeriesBuffer* b = node_buffer(series->data2);
    uint64_t added = uint64_t{addition.count} * static_cast<uint64_t>(dup < 0 ? 0 : dup);
    uint64_t total = b->tail - b->head;
    uint64_t new_total = total - removed + added;
    b = room_for(b, new_total);
    unsigned char* base = buffer_head(b);
    std::memmove(base + at + added, base + at + removed, total - at - removed);
    // Growing the target may have moved the added bytes.
    const unsigned char* bytes = addition.data();
    unsigned char* out = base + at;
    for (int32_t d = 0; d < dup; ++d) {
        if (addition.count) std::memcpy(out, bytes, addition.count);
        out += addition.count;
    }
    b->tail = b->head + static_cast<Ref>(new_total);
    return static_cast<uint32_t>(added);
}

// Appends the hexadecimal notation of the bytes from the value's position.
int32_t write_notation(const Cell* value, Cell* out_string, int32_t part_limit) {
    std::string bytes = bytes_from_head(value);
    std::string text = "#{";
    text += codec::encode(16, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())
                .value_or("");
    text += "}";
    int64_t limit = part_limit < 0 ? 0 : part_limit;
    if (static_cast<int64_t>(text.size()) > limit) text.resize(static_cast<size_t>(limit));
    string::append_bytes(out_string, reinterpret_cast<const unsigned char*>(text.data()),
                         static_cast<uint32_t>(text.size()));
    return static_cast<int32_t>(limit - static_cast<int64_t>(text.size()));
}

} // namespace

// ---- Internal helpers ----------------------------------------------------------

std::string bytes_from_head(const Cell* value) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t total = b->tail - b->head;
    int32_t head = value::series_head(value);
    uint32_t from = head < 0 ? 0 : std::min<uint32_t>(static_cast<uint32_t>(head), total);
    return std::string(reinterpret_cast<const char*>(buffer_head(b)) + from, total - from);
}

std::string bytes_of(const Cell* value, int32_t part) {
    std::string out;
    uint8_t type = cell_type(value);
    switch (type) {
    case type_id::char_:
        append_utf8(out, value->data2);
        break;
    case type_id::integer: {
        int32_t n = value::integer_of(value);
        if (n < 0 || n > 255) string::support::fire_out_of_range(value);
        out.push_back(static_cast<char>(n));
        break;
    }
    case type_id::binary:
        out = bytes_from_head(value);
        break;
    default:
        if (string::is_any_string(type)) {
            out = string::utf8_of(value);
            if (type == type_id::tag) out = "<" + out + ">";
        } else if (is_block_like(type)) {
            Cell* slot = stack::push_slot();
            Bytes bytes(slot, part, 0, 1);
            add_value(bytes, value);
            out.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            stack::pop(1);
        } else {
            out = formed_utf8(value);
        }
    }
    cut(out, part);
    return out;
}

// ---- Construction and access ----------------------------------------------------

Cell* load_at(const unsigned char* bytes, uint32_t length, Cell* cell) {
    Ref node = series::alloc_bytes(length);
    SeriesBuffer* b = node_buffer(node);
    if (length) std::memcpy(buffer_head(b), bytes, length);
    b->tail = b->head + length;
    value::set_series(cell, type_id::binary, node);
    return cell;
}

Cell* load(const unsigned char* bytes, uint32_t length) {
    return load_at(bytes, length, stack::push_slot());
}

Cell* make_at(Cell* cell, uint32_t size) {
    value::set_series(cell, type_id::binary, series::alloc_bytes(size));
    return cell;
}

uint32_t length_at(const Cell* value) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t total = b->tail - b->head;
    int32_t head = value::series_head(value);
    if (head < 0) return total;
    return static_cast<uint32_t>(head) >= total ? 0 : total - static_cast<uint32_t>(head);
}

unsigned char* head_pointer(const Cell* value) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t total = b->tail - b->head;
    int32_t head = value::series_head(value);
    uint32_t at = head < 0 ? 0 : std::min<uint32_t>(static_cast<uint32_t>(head), total);
    return buffer_head(b) + at;
}

int32_t get_byte(const Cell* value, int32_t offset) {
    if (offset < 0 || static_cast<uint32_t>(offset) >= length_at(value)) return -1;
    return head_pointer(value)[offset];
}

void get_char_arg(unsigned char* byte, const Cell* value) {
    uint8_t type = cell_type(value);
    if (type != type_id::char_ && type != type_id::integer)
        string::support::fire_invalid_arg(value);
    if (value->data2 > 255) string::support::fire_out_of_range(value);
    *byte = static_cast<unsigned char>(value->data2);
}

// ---- Action slots ----------------------------------------------------------------

void init() {
    auto from_string = [](int slot) {
        datatype::SlotWord word;
        word.operation = actions::slot_of(type_id::string, static_cast<uint32_t>(slot));
        return word;
    };
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::make>(from_string(action_slot::make))
        .set<action_slot::to>(&to)
        .set<action_slot::form>(&form)
        .set<action_slot::mold>(&mold)
        .set<action_slot::compare>(&compare)
        .set<action_slot::eval_path>(from_string(action_slot::eval_path))
        .set<action_slot::append>(datatype::operation(static_cast<AppendFn>(&append)))
        .set<action_slot::insert>(datatype::operation(static_cast<AppendFn>(&insert)))
        .set<action_slot::change>(datatype::operation(static_cast<AppendFn>(&change)))
        .set<action_slot::find>(from_string(action_slot::find))
        .set<action_slot::select>(from_string(action_slot::select))
        .set<action_slot::sort>(from_string(action_slot::sort))
        .set<action_slot::swap>(from_string(action_slot::swap))
        .set<action_slot::take>(from_string(action_slot::take))
        .set<action_slot::trim>(from_string(action_slot::trim));
    datatype::register_type(type_id::binary, type_id::series, "binary!", slots);
}

Cell* make(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    if (spec_type == type_id::integer || spec_type == type_id::float_) {
        double size =
            spec_type == type_id::float_ ? value::double_of(spec) : double(value::integer_of(spec));
        if (!(size > -2147483649.0 && size < 2147483648.0))
            error::fire_named(error::Category::math, "overflow");
        if (size < 0) string::support::fire_out_of_range(spec);
        return make_at(result, static_cast<uint32_t>(size));
    }
    if (spec_type == type_id::money) {
        Cell datatype;
        value::set_datatype(&datatype, type);
        error::fire_make_error(&datatype, spec);
    }
    return to(result, spec, type);
}

Cell* to(Cell* result, const Cell* spec, uint8_t type) {
    uint8_t spec_type = cell_type(spec);
    std::string bytes;
    switch (spec_type) {
    case type_id::integer: {
        uint32_t n = spec->data2;
        for (int s = 24; s >= 0; s -= 8) bytes.push_back(static_cast<char>(n >> s));
        break;
    }
    case type_id::float_: {
        uint64_t bits = uint64_t{spec->data3} << 32 | spec->data2;
        for (int s = 56; s >= 0; s -= 8) bytes.push_back(static_cast<char>(bits >> s));
        break;
    }
    case type_id::tuple:
        bytes.assign(reinterpret_cast<const char*>(tuple::bytes_of(spec)), tuple::length_of(spec));
        break;
    case type_id::bitset:
        bytes.assign(reinterpret_cast<const char*>(bitset::get_data(spec)),
                     bitset::byte_count(spec));
        break;
    case type_id::char_:
        bytes = bytes_of(spec, -1);
        break;
    default:
        if (spec_type != type_id::binary && !string::is_any_string(spec_type) &&
            !is_block_like(spec_type))
            fire_bad_to(type, spec);
        // Built in the new binary itself.
        Cell source = *spec;
        Cell* slot = stack::push_slot();
        Bytes gathered(slot, -1, 0, 1);
        if (spec_type == type_id::binary)
            add_binary(gathered, &source);
        else if (string::is_any_string(spec_type))
            add_utf8(gathered, &source); // a tag! without its angle brackets
        else
            add_value(gathered, &source);
        if (gathered.made()) {
            *result = *slot;
            stack::pop(1);
            return result;
        }
        stack::pop(1);
        return load_at(gathered.data(), static_cast<uint32_t>(gathered.size()), result);
    }
    return load_at(reinterpret_cast<const unsigned char*>(bytes.data()),
                   static_cast<uint32_t>(bytes.size()), result);
}

int32_t form(const Cell* value, Cell* out_string, int32_t part_limit) {
    return write_notation(value, out_string, part_limit);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return write_notation(value, out_string, part_limit);
}

int compare(const Cell* a, const Cell* b, int code) {
    if (cell_type(b) != type_id::binary) {
        if (code == compare_code::strict_equal || code == compare_code::same ||
            code == compare_code::find || code == compare_code::equal ||
            code == compare_code::not_equal)
            return 1;
        return compare_code::not_comparable;
    }
    if (code == compare_code::same) return a->data2 == b->data2 && a->data1 == b->data1 ? 0 : 1;
    uint32_t la = length_at(a);
    uint32_t lb = length_at(b);
    int c = std::memcmp(head_pointer(a), head_pointer(b), std::min(la, lb));
    if (c == 0) c = (la > lb) - (la < lb);
    return (c > 0) - (c < 0);
}

Cell* insert_or_append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup,
                       bool append_mode) {
    (void)only; // a block's elements are always added one by one as bytes
    auto where = [&] {
        return append_mode ? string::support::view_of(series).total
                           : string::support::clamped_head(series);
    };
    uint32_t at = where();
    bool owned =
        ::zep::series::notify(series,
                              append_mode ? words::global_word(words::global::append)
                                          : &words::symbol_words[words::symbol_word::insert],
                              value, static_cast<int32_t>(at), 0);
    if (owned) at = where(); // the owner's handler may have changed the series
    uint32_t count = 0;
    if (dup >= 1) {
        Bytes bytes(stack::push_slot(), part, byte_count(series), dup);
        count = splice(series, at, 0, addition_of(series, value, part, bytes), dup);
        stack::pop(1);
    }
    string::support::notify(series, append_mode ? words::global::appended : words::global::inserted,
                            value, static_cast<int32_t>(at), static_cast<int32_t>(count));
    series->data1 = append_mode ? 0 : at + count;
    return series;
}

Cell* append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool) {
    return insert_or_append(series, value, part, only, dup, true);
}

Cell* insert(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup, bool) {
    return insert_or_append(series, value, part, only, dup, false);
}

Cell* change(Cell* series, const Cell* value, int32_t part, bool, int32_t dup, bool) {
    uint32_t head = string::support::clamped_head(series);
    string::support::notify(series, words::global::change, value, static_cast<int32_t>(head), 0);
    // The owner's handler may have changed the series: change what is there.
    head = string::support::clamped_head(series);
    uint32_t available = string::support::view_of(series).total - head;
    // The target keeps at least the bytes before the head.
    Bytes bytes(stack::push_slot(), -1, head, dup);
    Addition addition = dup < 1 ? Addition{} : addition_of(series, value, -1, bytes);
    uint64_t written = dup < 1 ? 0 : uint64_t{addition.count} * static_cast<uint64_t>(dup);
    uint64_t removed = part >= 0 ? static_cast<uint64_t>(part) : written;
    if (removed > available) removed = available;
    uint32_t count =
        dup < 1 ? 0 : splice(series, head, static_cast<uint32_t>(removed), addition, dup);
    stack::pop(1);
    string::support::notify(series, words::global::changed, value, static_cast<int32_t>(head),
                            static_cast<int32_t>(count));
    series->data1 = head + count;
    return series;
}

} // namespace zep::binary
