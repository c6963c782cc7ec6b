// Text into and out of string buffers: appending bytes and text,
// concatenation in its three modes, the hexadecimal and escaped writers, the
// exchange of two regions through the scratch buffer, and reading floats.
#include <algorithm>
#include <cstring>

#include "datatypes/string_buffer.h"
#include "datatypes/string_internal.h"
#include "runtime/float_text.h"
#include "runtime/heap.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/utf8.h"
#include "runtime/unicode/widen.h"

namespace zep::string {

using detail::clamped_head;
using detail::unit_address;
using detail::used_units;

void append_bytes(Cell* value, const unsigned char* bytes, uint32_t n) {
    SeriesBuffer* b = node_buffer(value->data2);
    if (buffer_unit(b) == 1 &&
        std::any_of(bytes, bytes + n, [](unsigned char c) { return c > 0x7F; }))
        b = unicode::widen_to(b, 2);
    uint32_t unit = buffer_unit(b);
    b = detail::ensure_room(b, uint64_t{n} * unit);
    unsigned char* out = buffer_tail(b);
    if (unit == 1) {
        std::memcpy(out, bytes, n);
    } else {
        for (uint32_t i = 0; i < n; ++i)
            unicode::write_unit(out + uint64_t{i} * unit, unit, bytes[i]);
    }
    b->tail += n * unit;
}

void append_text(Cell* value, const char* text) {
    append_bytes(value, reinterpret_cast<const unsigned char*>(text),
                 static_cast<uint32_t>(std::strlen(text)));
}

namespace {

// Copies `count` units of the source, which starts at unit index `from` of
// its buffer, into the target from unit index `to`. In one buffer the units
// from `moved_from` on were moved up by `count` to open the target's room.
void copy_text(SeriesBuffer* tb, SeriesBuffer* sb, uint32_t from, uint32_t to, uint32_t count,
               bool shared_insert) {
    uint32_t tu = buffer_unit(tb);
    uint32_t su = buffer_unit(sb);
    if (tu != su) {
        unsigned char* dst = unit_address(tb, to);
        const unsigned char* src = unit_address(sb, from);
        for (uint32_t i = 0; i < count; ++i)
            unicode::write_unit(dst + uint64_t{i} * tu, tu,
                                unicode::read_unit(src + uint64_t{i} * su, su));
        return;
    }
    if (!shared_insert) {
        std::memmove(unit_address(tb, to), unit_address(sb, from), uint64_t{count} * tu);
        return;
    }
    // Inserting a text into its own buffer: the part of the source before
    // the insertion point stayed, the rest now lies `count` units higher.
    uint32_t before = from < to ? std::min(count, to - from) : 0;
    std::memcpy(unit_address(tb, to), unit_address(sb, from), uint64_t{before} * tu);
    std::memcpy(unit_address(tb, to + before), unit_address(sb, from + before + count),
                uint64_t{count - before} * tu);
}

} // namespace

void concatenate(Cell* target_cell, const Cell* source_cell, int32_t limit, int32_t offset,
                 bool keep_unit, int mode) {
    if (mode != concat_mode::append && mode != concat_mode::insert &&
        mode != concat_mode::overwrite)
        detail::case_fault();
    Cell target = *target_cell;
    Cell source = *source_cell;
    detail::text_of_symbol(&target);
    detail::text_of_symbol(&source);
    Ref tn = target.data2;
    Ref sn = source.data2;

    SeriesBuffer* tb = node_buffer(tn);
    SeriesBuffer* sb = node_buffer(sn);
    if (buffer_unit(tb) < buffer_unit(sb)) {
        unicode::widen_to(tb, buffer_unit(sb));
    } else if (buffer_unit(tb) > buffer_unit(sb) && !keep_unit) {
        unicode::widen_to(sb, buffer_unit(tb));
    }
    tb = node_buffer(tn);
    sb = node_buffer(sn);

    uint32_t from = clamped_head(&source, sb);
    uint32_t count = used_units(sb) - from;
    if (limit >= 0 && static_cast<uint32_t>(limit) < count) count = static_cast<uint32_t>(limit);
    uint32_t unit = buffer_unit(tb);
    tb = detail::ensure_room(tb, uint64_t{count} * unit);
    sb = node_buffer(sn);

    uint32_t total = used_units(tb);
    uint32_t at = total;
    if (mode != concat_mode::append) {
        int64_t position = int64_t{clamped_head(&target, tb)} + offset;
        at = static_cast<uint32_t>(std::clamp<int64_t>(position, 0, total));
    }
    bool shared_insert = false;
    if (mode == concat_mode::insert) {
        unsigned char* p = unit_address(tb, at);
        std::memmove(p + uint64_t{count} * unit, p, uint64_t{total - at} * unit);
        tb->tail += count * unit;
        shared_insert = tn == sn;
    } else if (mode == concat_mode::append) {
        tb->tail += count * unit;
    } else if (uint64_t{at} + count > total) {
        tb->tail = tb->head + (at + count) * unit;
    }
    copy_text(tb, sb, from, at, count, shared_insert);
}

const char* byte_to_hex(uint8_t byte) {
    static char digits[3];
    static const char hex[] = "0123456789ABCDEF";
    digits[0] = hex[byte >> 4];
    digits[1] = hex[byte & 15];
    digits[2] = 0;
    return digits;
}

void append_escaped_char(Cell* target, uint32_t cp, bool all) {
    // The character written after the caret for code points below 95.
    static const char escapes[95] = {
        '@', 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '-', '/', 'K', 'L',  'M', 'N', 'O',
        'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', '[', '\\', ']', 0,   '_',
        0,   0,   '"', 0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    0,   0,   0,
        0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    0,   0,   0,
        0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    0,   0,   0,
        0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    0,   '^'};
    char text[16];
    if (cp == 0x1E || (cp >= 0x80 && cp <= 0x9F) || (all && cp >= 0x80)) {
        std::strcpy(text, "^(");
        std::strcat(text, integer::to_hex_text(static_cast<int32_t>(cp), true));
        std::strcat(text, ")");
    } else if (cp < 95 && escapes[cp]) {
        text[0] = '^';
        text[1] = escapes[cp];
        text[2] = 0;
    } else if (cp == 0x7F) {
        std::strcpy(text, "^~");
    } else {
        Ref node = target->data2;
        append_char(node_buffer(node), cp);
        return;
    }
    append_text(target, text);
}

namespace {

constexpr uint32_t scratch_bytes = scratch_size;
unsigned char* scratch = nullptr;
size_t scratch_capacity = 0;

void forget_scratch() {
    scratch = nullptr;
    scratch_capacity = 0;
}

// Gives the scratch buffer back its usual size after an enlarged operation,
// also when a raise unwinds through it.
struct ScratchRestore {
    ~ScratchRestore() {
        if (scratch_capacity > scratch_bytes) {
            scratch = static_cast<unsigned char*>(heap::realloc(scratch, scratch_bytes));
            scratch_capacity = scratch_bytes;
        }
    }
};

} // namespace

std::string utf8_of(const Cell* text) {
    unicode::TextRange r = unicode::text_range(text);
    std::string out;
    out.reserve(r.length);
    unsigned char bytes[4];
    for (uint32_t i = 0; i < r.length; ++i) {
        uint32_t cp = unicode::read_unit(r.start + uint64_t{i} * r.unit, r.unit);
        out.append(reinterpret_cast<const char*>(bytes), unicode::encode_utf8(cp, bytes));
    }
    return out;
}

void init_scratch() {
    static bool hooked = false;
    if (!hooked) {
        heap::on_free_all(forget_scratch);
        hooked = true;
    }
    if (!scratch) {
        scratch = static_cast<unsigned char*>(heap::alloc(scratch_bytes));
        scratch_capacity = scratch_bytes;
    }
}

void release_scratch() {
    heap::free(scratch);
    forget_scratch();
}

void exchange_regions(unsigned char* first, uint32_t first_length, unsigned char* second,
                      uint32_t second_length, uint32_t gap) {
    init_scratch();
    // The smaller region and the gap are saved; the larger region moves to
    // its new place; the saved bytes fill the space left. The gap keeps its
    // place between the two regions.
    size_t saved = size_t{std::min(first_length, second_length)} + gap;
    ScratchRestore restore;
    if (saved > scratch_capacity) {
        scratch = static_cast<unsigned char*>(heap::realloc(scratch, saved));
        scratch_capacity = saved;
    }
    unsigned char* gap_start = first + first_length;
    if (first_length <= second_length) {
        std::memcpy(scratch, first, first_length);
        std::memcpy(scratch + first_length, gap_start, gap);
        std::memmove(first, second, second_length);
        std::memcpy(first + second_length, scratch + first_length, gap);
        std::memcpy(first + second_length + gap, scratch, first_length);
    } else {
        std::memcpy(scratch, second, second_length);
        std::memcpy(scratch + second_length, gap_start, gap);
        std::memmove(first + second_length + gap, first, first_length);
        std::memcpy(first, scratch, second_length);
        std::memcpy(first + second_length, scratch + second_length, gap);
    }
}

double parse_float(const unsigned char* address, uint32_t length) {
    const char* start = reinterpret_cast<const char*>(address);
    return float_::from_text(start, start + length, 0);
}

} // namespace zep::string

namespace zep::integer {

const char* to_hex_text(int32_t value, bool short_form) {
    static char text[9];
    static const char hex[] = "0123456789ABCDEF";
    // The bits are written as an unsigned word: a short negative value keeps
    // all its significant (leading F) digits and so reads back unchanged.
    uint32_t bits = static_cast<uint32_t>(value);
    char digits[8];
    int n = 0;
    do {
        digits[n++] = hex[bits & 15];
        bits >>= 4;
    } while (bits != 0);
    int length = short_form ? n : 8;
    if (short_form && value == 0) length = 2;
    for (int i = 0; i < length; ++i) text[i] = i < length - n ? '0' : digits[length - 1 - i];
    text[length] = 0;
    return text;
}

} // namespace zep::integer
