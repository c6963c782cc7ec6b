// The bit array of bitset! and the spec processor that names its bits.
#include "datatypes/bitset.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "datatypes/bitset_internal.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "runtime/value_make.h"

namespace zep::bitset {

namespace {

SeriesBuffer* buffer_of(const Cell* bitset) {
    return node_buffer(value::series_node(bitset));
}

uint8_t fill_of(const Cell* bitset) {
    return is_complemented(bitset) ? 0xFF : 0x00;
}

// The bits from..to (0-7, most significant first) of one byte.
uint8_t span_mask(uint32_t from, uint32_t to) {
    return static_cast<uint8_t>((0xFFu >> from) & (0xFFu << (7 - to)));
}

// Applies fn(byte, mask) to every byte that holds bits of lo..hi. The caller
// has made sure those bytes are stored.
template <class Fn> bool each_span(Cell* bitset, uint32_t lo, uint32_t hi, Fn fn) {
    uint32_t first = lo >> 3, last = hi >> 3;
    for (uint32_t i = first; i <= last; ++i) {
        uint32_t from = i == first ? (lo & 7) : 0;
        uint32_t to = i == last ? (hi & 7) : 7;
        if (!fn(get_data(bitset)[i], span_mask(from, to))) return false;
    }
    return true;
}

// A number as a bit position: -1 for a negative one; out-of-range for one
// that no bitset can hold (NaN, beyond max_bit).
int64_t position_of(const Cell* value) {
    int64_t n;
    switch (cell_type(value)) {
    case type_id::char_:
        n = value->data2;
        break;
    case type_id::integer:
        n = value::integer_of(value);
        break;
    default: {
        double d = value::double_of(value);
        if (std::isnan(d) || d >= 2147483648.0 || d <= -2147483649.0)
            error::fire(error::Category::script, "out-of-range", value);
        n = static_cast<int64_t>(d); // truncated toward zero
    }
    }
    if (n > int64_t{max_bit}) error::fire(error::Category::script, "out-of-range", value);
    return n < 0 ? -1 : n;
}

bool is_number(uint8_t type) {
    return type == type_id::char_ || type == type_id::integer || type == type_id::float_;
}

bool is_range_word(const Cell* value) {
    if (cell_type(value) != type_id::word) return false;
    const char* text = symbol::utf8_text(value::word_symbol(value));
    return text[0] == '-' && text[1] == '\0';
}

[[noreturn]] void refuse_spec(const Cell* spec, SpecUse use) {
    if (cell_type(spec) == type_id::binary) error::fire(error::Category::internal, "not-done");
    Cell type;
    value::set_datatype(&type, type_id::bitset);
    switch (use) {
    case SpecUse::make:
        error::fire(error::Category::script, "bad-make-arg", &type, spec);
    case SpecUse::to:
        error::fire(error::Category::script, "bad-to-arg", &type, spec);
    default:
        error::fire(error::Category::script, "invalid-arg", spec);
    }
}

// The state of one process call: the highest bit seen and the test outcome.
struct Walk {
    Cell* bitset;
    Op op;
    int64_t highest = -1;
    bool all_set = true;
};

// Applies the walk's operation to lo..hi (both non-negative). Answers false
// when a test has failed (the walk stops there).
bool apply(Walk& w, uint32_t lo, uint32_t hi) {
    switch (w.op) {
    case Op::measure:
        w.highest = std::max<int64_t>(w.highest, hi);
        return true;
    case Op::set:
        set_range(w.bitset, lo, hi);
        return true;
    case Op::clear:
        clear_range(w.bitset, lo, hi);
        return true;
    case Op::test:
        w.all_set = test_range(w.bitset, lo, hi);
        return w.all_set;
    }
    return true;
}

// One number: a negative one raises out-of-range, except that a test fails.
bool apply_number(Walk& w, const Cell* value) {
    int64_t n = position_of(value);
    if (n < 0) {
        if (w.op != Op::test) error::fire(error::Category::script, "out-of-range", value);
        w.all_set = false;
        return false;
    }
    return apply(w, static_cast<uint32_t>(n), static_cast<uint32_t>(n));
}

bool apply_text(Walk& w, const Cell* text) {
    uint32_t head = static_cast<uint32_t>(std::max(value::series_head(text), 0));
    uint32_t count = string::length(text);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t cp = string::char_at(text, head + i);
        if (!apply(w, cp, cp)) return false;
    }
    return true;
}

bool apply_item(Walk& w, const Cell* value, SpecUse use) {
    uint8_t type = cell_type(value);
    if (is_number(type)) return apply_number(w, value);
    if (type == type_id::string) return apply_text(w, value);
    refuse_spec(value, use);
}

Cell* block_item(const Cell* block, uint32_t index) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    return arena::at<Cell>(b->head) + index;
}

uint32_t block_end(const Cell* block) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    return (b->tail - b->head) / sizeof(Cell);
}

// The items of a block from `start`; `a - b` is an inclusive range of two
// values of one type. Items are re-read by index: setting bits allocates.
bool apply_block(Walk& w, const Cell* block, uint32_t start, SpecUse use) {
    for (uint32_t i = start; i < block_end(block); ++i) {
        Cell item = *block_item(block, i);
        uint8_t type = cell_type(&item);
        bool ranged = (type == type_id::char_ || type == type_id::integer) &&
                      i + 1 < block_end(block) && is_range_word(block_item(block, i + 1));
        if (!ranged) {
            if (!apply_item(w, &item, use)) return false;
            continue;
        }
        if (i + 2 >= block_end(block)) error::fire(error::Category::script, "past-end");
        Cell end = *block_item(block, i + 2);
        if (cell_type(&end) != type) error::fire(error::Category::script, "invalid-arg", &end);
        int64_t lo = position_of(&item), hi = position_of(&end);
        i += 2;
        if (lo < 0 || hi < 0) {
            if (w.op == Op::test) return w.all_set = false;
            error::fire(error::Category::script, "out-of-range", lo < 0 ? &item : &end);
        }
        if (hi < lo) error::fire(error::Category::script, "past-end");
        if (!apply(w, static_cast<uint32_t>(lo), static_cast<uint32_t>(hi))) return false;
    }
    return true;
}

} // namespace

// --- The bit array -----------------------------------------------------------

unsigned char* get_data(const Cell* bitset) {
    return buffer_head(buffer_of(bitset));
}

uint32_t byte_count(const Cell* bitset) {
    SeriesBuffer* b = buffer_of(bitset);
    return b->tail - b->head;
}

int32_t length(const Cell* bitset) {
    // At most max_bit / 8 + 1 bytes are ever stored, so this fits.
    return static_cast<int32_t>(byte_count(bitset) * 8);
}

bool is_complemented(const Cell* bitset) {
    return (buffer_of(bitset)->flags & complement_flag) != 0;
}

Cell* make_at(Cell* cell, uint32_t bytes, uint8_t fill, bool complemented) {
    Ref node = series::alloc_bytes(bytes);
    SeriesBuffer* b = node_buffer(node);
    std::memset(buffer_head(b), fill, bytes);
    b->tail = b->head + bytes;
    if (complemented) b->flags |= complement_flag;
    value::set_series(cell, type_id::bitset, node);
    return cell;
}

void ensure_bytes(Cell* bitset, uint32_t needed) {
    SeriesBuffer* b = buffer_of(bitset);
    uint32_t have = b->tail - b->head;
    if (needed <= have) return;
    uint8_t fill = fill_of(bitset);
    if (uint64_t{b->head} + needed > arena::ref(buffer_end(b))) {
        b = series::expand(b, memory::grown_size(needed, uint64_t{b->size} * 2, 1));
    }
    std::memset(buffer_head(b) + have, fill, needed - have);
    b->tail = b->head + needed;
}

bool test_bit(const Cell* bitset, uint32_t bit) {
    if ((bit >> 3) >= byte_count(bitset)) return is_complemented(bitset);
    return (get_data(bitset)[bit >> 3] & (0x80u >> (bit & 7))) != 0;
}

void set_bit(Cell* bitset, uint32_t bit) {
    set_range(bitset, bit, bit);
}

void clear_bit(Cell* bitset, uint32_t bit) {
    clear_range(bitset, bit, bit);
}

void set_range(Cell* bitset, uint32_t lo, uint32_t hi) {
    ensure_bytes(bitset, (hi >> 3) + 1);
    each_span(bitset, lo, hi, [](unsigned char& byte, uint8_t mask) {
        byte |= mask;
        return true;
    });
}

void clear_range(Cell* bitset, uint32_t lo, uint32_t hi) {
    if (is_complemented(bitset)) {
        ensure_bytes(bitset, (hi >> 3) + 1);
    } else {
        // Positions beyond the stored bits are clear already.
        uint32_t bytes = byte_count(bitset);
        if ((lo >> 3) >= bytes) return;
        hi = std::min(hi, bytes * 8 - 1);
    }
    each_span(bitset, lo, hi, [](unsigned char& byte, uint8_t mask) {
        byte &= static_cast<uint8_t>(~mask);
        return true;
    });
}

bool test_range(Cell* bitset, uint32_t lo, uint32_t hi) {
    uint32_t bytes = byte_count(bitset);
    if ((hi >> 3) >= bytes) {
        if (!is_complemented(bitset)) return false;
        if ((lo >> 3) >= bytes) return true;
        hi = bytes * 8 - 1;
    }
    return each_span(bitset, lo, hi,
                     [](unsigned char& byte, uint8_t mask) { return (byte & mask) == mask; });
}

int32_t process(const Cell* spec, Cell* bitset, Op op, SpecUse use) {
    Walk w{bitset, op};
    uint8_t type = cell_type(spec);
    if (type == type_id::block)
        apply_block(w, spec, static_cast<uint32_t>(std::max(value::series_head(spec), 0)), use);
    else
        apply_item(w, spec, use);
    switch (op) {
    case Op::measure:
        return static_cast<int32_t>(w.highest);
    case Op::test:
        return w.all_set ? 1 : 0;
    default:
        return 0;
    }
}

int32_t process_from(const Cell* block, uint32_t start, Cell* bitset, Op op, SpecUse use) {
    Walk w{bitset, op};
    apply_block(w, block, start, use);
    return op == Op::measure ? static_cast<int32_t>(w.highest) : (w.all_set ? 1 : 0);
}

} // namespace zep::bitset
