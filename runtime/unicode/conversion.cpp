#include "runtime/unicode/conversion.h"

#include <cstring>

#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/units.h"
#include "runtime/unicode/utf16.h"
#include "runtime/unicode/utf8.h"

namespace zep::unicode {

namespace {

// A conversion buffer's data area starts with the identity of the cell slot
// that owns it; the converted text follows, from the buffer's head.
constexpr uint32_t owner_prefix = 16;

uintptr_t owner_of(SeriesBuffer* b) {
    uintptr_t owner;
    std::memcpy(&owner, buffer_data(b), sizeof owner);
    return owner;
}

// Answers the cell's conversion buffer with room for `bytes` after its head.
SeriesBuffer* conversion_buffer(Cell* cell, uint64_t bytes) {
    if (bytes > UINT32_MAX - 64) error::fire_named(error::Category::internal, "no-memory");
    uint32_t size = static_cast<uint32_t>(bytes) + owner_prefix;
    uintptr_t owner = reinterpret_cast<uintptr_t>(cell);
    SeriesBuffer* b = nullptr;
    if (cell->data3 != 0 && owner_of(node_buffer(cell->data3)) == owner) {
        b = node_buffer(cell->data3);
        if (b->size < size) b = series::grow(b, size);
    } else {
        // First conversion of this value, or a copy still holding its
        // original's buffer: a buffer of its own.
        Ref node = memory::alloc_series(size, 1, owner_prefix);
        cell->data3 = node;
        b = node_buffer(node);
    }
    std::memcpy(buffer_data(b), &owner, sizeof owner);
    b->head = arena::ref(buffer_data(b) + owner_prefix);
    b->tail = b->head;
    return b;
}

// Encodes `count` units from p as UTF-8; answers the bytes written.
uint32_t units_to_utf8(const unsigned char* p, uint32_t count, uint32_t unit, unsigned char* dest,
                       bool crlf) {
    unsigned char* start = dest;
    for (uint32_t i = 0; i < count; ++i, p += unit) {
        uint32_t cp = read_unit(p, unit);
        if (crlf && cp == '\n') *dest++ = '\r';
        dest += encode_utf8(cp, dest);
    }
    return static_cast<uint32_t>(dest - start);
}

} // namespace

unsigned char* to_utf8_cstr_part(Cell* cell, int32_t& length, bool crlf) {
    TextRange text = text_range(cell, length);
    // Room for the worst case of each unit: 2 bytes per unit-1 character
    // (also CR LF), 3 per unit-2 character, 4 per unit-4 character.
    uint32_t per_char = text.unit == 1 ? 2 : text.unit == 2 ? 3 : 4;
    SeriesBuffer* b = conversion_buffer(cell, (static_cast<uint64_t>(text.length) + 1) * per_char);
    text = text_range(cell, length); // the allocation may have moved the text
    unsigned char* dest = buffer_head(b);
    uint32_t n = units_to_utf8(text.start, text.length, text.unit, dest, crlf);
    dest[n] = 0;
    b->tail = b->head + n;
    length = static_cast<int32_t>(n);
    return dest;
}

unsigned char* to_utf8_cstr(Cell* cell, int32_t& length) {
    return to_utf8_cstr_part(cell, length, false);
}

uint32_t series_to_utf8(const Cell* cell, unsigned char* dest, int32_t limit, bool nul) {
    TextRange text = text_range(cell, limit);
    uint32_t n = units_to_utf8(text.start, text.length, text.unit, dest, false);
    if (nul) dest[n] = 0;
    return n;
}

uint32_t series_to_utf8_bounded(const Cell* cell, unsigned char* dest, int32_t room, int32_t limit,
                                bool nul) {
    TextRange text = text_range(cell, limit > 0 ? limit : -1);
    if (room <= 0) return 0;
    uint64_t space = static_cast<uint32_t>(room) - (nul ? 1u : 0u);
    uint64_t n = 0;
    const unsigned char* p = text.start;
    for (uint32_t i = 0; i < text.length; ++i, p += text.unit) {
        uint32_t cp = read_unit(p, text.unit);
        // Only whole characters: a cut sequence would be invalid UTF-8.
        if (n + utf8_length_of(cp) > space) break;
        n += encode_utf8(cp, dest + n);
    }
    if (nul) dest[n] = 0;
    return static_cast<uint32_t>(n);
}

unsigned char* to_utf_buffer(Cell* cell, int32_t& count, bool crlf) {
    TextRange text = text_range(cell, count);
    uint64_t bytes = 2 * static_cast<uint64_t>(text.length) + 2 +
                     utf16_extra_bytes(text.start, text.end(), text.unit);
    SeriesBuffer* b = conversion_buffer(cell, bytes);
    text = text_range(cell, count);
    unsigned char* dest = buffer_head(b);
    uint32_t written = 0;
    if (text.unit == 2 && !crlf) {
        std::memcpy(dest, text.start, static_cast<size_t>(text.length) * 2);
        written = text.length;
    } else {
        const unsigned char* p = text.start;
        for (uint32_t i = 0; i < text.length; ++i, p += text.unit) {
            uint32_t cp = read_unit(p, text.unit);
            if (crlf && cp == '\n') written += encode_utf16_char('\r', dest + 2 * written);
            uint32_t n = encode_utf16_char(cp, dest + 2 * written);
            if (n == 0) return nullptr;
            written += n;
        }
    }
    write_unit(dest + 2 * written, 2, 0);
    b->tail = b->head + 2 * written;
    count = static_cast<int32_t>(written);
    return dest;
}

unsigned char* to_utf16_buffer(Cell* cell) {
    int32_t count = -1;
    return to_utf_buffer(cell, count, true);
}

} // namespace zep::unicode
