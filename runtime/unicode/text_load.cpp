#include "runtime/unicode/text_load.h"

#include <algorithm>
#include <cstddef>

#include "runtime/error_exit.h"
#include "runtime/raise.h"
#include "runtime/unicode/units.h"
#include "runtime/unicode/utf16.h"
#include "runtime/unicode/utf8.h"

namespace zep::unicode {

namespace {

constexpr unsigned char CR = 0x0D;
constexpr unsigned char LF = 0x0A;

// A call that breaks the loader's contract: the runtime error "assertion failed".
[[noreturn]] void caller_fault() {
    runtime::error_exit(98, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

[[noreturn]] void invalid_utf8() {
    error::fire_named(error::Category::access, "invalid-utf8");
}

// What the first pass over UTF-8 source learns.
struct Utf8Scan {
    uint32_t chars = 0; // characters to store
    uint32_t unit = 1;  // narrowest unit that holds them
    uint32_t end = 0;   // offset past the last complete sequence
};

Utf8Scan scan_utf8(const unsigned char* src, uint32_t start, uint32_t count, bool crlf) {
    Utf8Scan scan;
    uint32_t pos = start;
    while (pos < count) {
        if (src[pos] < 0x80) {
            // A CR followed by LF is dropped; every other byte is one character.
            if (!(crlf && src[pos] == CR && pos + 1 < count && src[pos + 1] == LF)) ++scan.chars;
            ++pos;
            continue;
        }
        Utf8Char c = decode_utf8_checked(src + pos, count - pos);
        if (c.status == Utf8Char::invalid) invalid_utf8();
        if (c.status == Utf8Char::truncated) break;
        scan.unit = std::max(scan.unit, unit_for(static_cast<uint32_t>(c.cp)));
        ++scan.chars;
        pos += c.length;
    }
    scan.end = pos;
    return scan;
}

// Second pass: the source is known to be valid up to `end`.
void write_utf8(const unsigned char* src, uint32_t pos, uint32_t end, bool crlf,
                unsigned char* dest, uint32_t unit) {
    while (pos < end) {
        uint32_t cp = src[pos];
        if (cp < 0x80) {
            ++pos;
            if (crlf && cp == CR) {
                if (pos < end && src[pos] == LF) continue;
                cp = LF;
            }
        } else {
            Utf8Char c = decode_utf8_checked(src + pos, end - pos);
            cp = static_cast<uint32_t>(c.cp);
            pos += c.length;
        }
        write_unit(dest, unit, cp);
        dest += unit;
    }
}

// Bytes for `chars` units of `unit`, refused with no-memory when a buffer of
// that size could not be addressed.
uint32_t checked_bytes(uint32_t chars, uint32_t unit) {
    uint64_t bytes = static_cast<uint64_t>(chars) * unit;
    if (bytes > UINT32_MAX - 64) error::fire_named(error::Category::internal, "no-memory");
    return static_cast<uint32_t>(bytes);
}

// A new series of `chars` units (at least one) of `unit`.
SeriesBuffer* new_text(uint32_t chars, uint32_t unit) {
    checked_bytes(chars, unit);
    return node_buffer(series::alloc_unit(std::max(chars, 1u), unit));
}

// Makes `buffer` hold `chars` units of `unit` from its first used unit,
// discarding its contents; answers the buffer, which may have moved.
SeriesBuffer* reset_for(SeriesBuffer* buffer, uint32_t chars, uint32_t unit) {
    uint32_t bytes = checked_bytes(chars, unit);
    if (static_cast<uint64_t>(buffer_end(buffer) - buffer_head(buffer)) < bytes) {
        buffer = series::grow(buffer, std::max<uint32_t>(bytes, 16));
    }
    buffer->flags = (buffer->flags & ~series_flag::unit_mask) | unit;
    buffer->tail = buffer->head;
    return buffer;
}

inline uint32_t utf16_at(const unsigned char* src, uint32_t i) {
    return static_cast<uint32_t>(src[2 * size_t{i} + 1]) << 8 | src[2 * size_t{i}];
}
inline bool is_high_surrogate(uint32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
inline bool is_low_surrogate(uint32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

} // namespace

Ref load_utf8(const unsigned char* src, uint32_t count, SeriesBuffer* target, uint32_t* unread,
              bool crlf) {
    uint32_t start = 0;
    if (count > 2 && src[0] == 0xEF && src[1] == 0xBB && src[2] == 0xBF) start = 3;
    Utf8Scan scan = scan_utf8(src, start, count, crlf);
    if (scan.end < count && unread == nullptr) invalid_utf8();

    SeriesBuffer* b;
    if (target != nullptr) {
        b = reset_for(target, scan.chars, std::max(buffer_unit(target), scan.unit));
    } else {
        b = new_text(scan.chars, scan.unit);
    }
    uint32_t unit = buffer_unit(b);
    write_utf8(src, start, scan.end, crlf, buffer_head(b), unit);
    b->tail = b->head + scan.chars * unit;
    if (scan.end < count)
        *unread = count - scan.end;
    else if (start == count && unread != nullptr)
        *unread = 0;
    return b->node;
}

Ref load_utf8_into(const unsigned char* src, uint32_t count, const Cell* cell, uint32_t* unread) {
    return load_utf8(src, count, node_buffer(cell->data2), unread, false);
}

Ref load_utf8_new(const unsigned char* src, uint32_t count) {
    return load_utf8(src, count, nullptr, nullptr, false);
}

SeriesBuffer* load_utf16le(const unsigned char* src, uint32_t units, const Cell* target,
                           bool crlf) {
    // A null source is the target's conversion buffer, which the allocation
    // below may move: its node is kept and the address taken again after.
    Ref source_node = 0;
    if (src == nullptr) {
        if (target == nullptr || target->data3 == 0) caller_fault();
        source_node = target->data3;
        SeriesBuffer* source = node_buffer(source_node);
        src = buffer_head(source);
        if (static_cast<uint64_t>(units) * 2 > static_cast<uint64_t>(buffer_end(source) - src)) {
            caller_fault();
        }
    }
    uint32_t chars = 0;
    for (uint32_t i = 0; i < units; ++i) {
        uint32_t u = utf16_at(src, i);
        if (crlf && u == CR) continue;
        if (is_high_surrogate(u)) {
            if (i + 1 == units || !is_low_surrogate(utf16_at(src, i + 1))) {
                error::fire_named(error::Category::script, "invalid-data");
            }
            ++i;
        }
        ++chars;
    }
    uint32_t unit = utf16_unit_needed(src, units);

    SeriesBuffer* b;
    if (target != nullptr) {
        b = reset_for(node_buffer(target->data2), chars, unit);
    } else {
        b = new_text(chars, unit);
    }
    if (source_node != 0) src = buffer_head(node_buffer(source_node));

    unsigned char* dest = buffer_head(b);
    for (uint32_t i = 0; i < units; ++i) {
        uint32_t cp = utf16_at(src, i);
        if (crlf && cp == CR) continue;
        if (is_high_surrogate(cp)) {
            cp = ((cp & 0x3FF) << 10 | (utf16_at(src, i + 1) & 0x3FF)) + 0x10000;
            ++i;
        }
        write_unit(dest, unit, cp);
        dest += unit;
    }
    b->tail = b->head + chars * unit;
    return b;
}

} // namespace zep::unicode
