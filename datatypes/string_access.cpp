// Reading text values: lengths, head and tail addresses, code points and the
// small searches and tests used by parse and the string actions.
#include <cstring>

#include "datatypes/string_buffer.h"
#include "datatypes/string_internal.h"
#include "runtime/case_fold.h"
#include "runtime/error_exit.h"
#include "runtime/type_sets.h"
#include "runtime/value_make.h"

namespace zep::string {

using detail::clamped_head;
using detail::used_units;

namespace {
// Complement flag of a bitset's buffer: positions beyond the stored bits are
// members exactly when it is set.
constexpr uint32_t bitset_complement = 0x80000;
} // namespace

bool is_any_string(uint8_t type) {
    return type_set::is_any_string(type);
}

uint32_t length(const Cell* value) {
    const SeriesBuffer* b = node_buffer(value->data2);
    return used_units(b) - clamped_head(value, b);
}

uint32_t total_length(const Cell* value) {
    return used_units(node_buffer(value->data2));
}

unsigned char* head_address(Cell* value) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t head = clamped_head(value, b);
    value->data1 = head;
    return detail::unit_address(b, head);
}

unsigned char* tail_address(const Cell* value) {
    return buffer_tail(node_buffer(value->data2));
}

bool is_at_tail(const Cell* value) {
    return length(value) == 0;
}

uint32_t char_at(const Cell* value, uint32_t index) {
    SeriesBuffer* b = node_buffer(value->data2);
    return unicode::read_unit(detail::unit_address(b, index), buffer_unit(b));
}

uint32_t get_char(const unsigned char* address, uint32_t unit) {
    return unicode::read_unit(address, unit);
}

int32_t find_char(const Cell* value, uint32_t cp) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t unit = buffer_unit(b);
    uint32_t head = clamped_head(value, b);
    uint32_t total = used_units(b);
    const unsigned char* p = detail::unit_address(b, head);
    for (uint32_t i = 0; i < total - head; ++i, p += unit) {
        if (unicode::read_unit(p, unit) == cp) return static_cast<int32_t>(i);
    }
    return -1;
}

bool find_char_with(const Cell* value, uint32_t cp, uint32_t step, bool case_sensitive) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t unit = buffer_unit(b);
    uint32_t head = clamped_head(value, b);
    uint32_t total = used_units(b);
    if (!case_sensitive) cp = case_::fold_char(cp, case_::to_upper);
    // A step of 0 can only look at the head.
    uint64_t stride = step ? step : total;
    for (uint64_t i = head; i < total; i += stride) {
        uint32_t c = unicode::read_unit(detail::unit_address(b, static_cast<uint32_t>(i)), unit);
        if (!case_sensitive) c = case_::fold_char(c, case_::to_upper);
        if (c == cp) return true;
    }
    return false;
}

bool is_match_text(const Cell* value, const char* text) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t unit = buffer_unit(b);
    uint32_t head = clamped_head(value, b);
    uint32_t available = used_units(b) - head;
    size_t n = std::strlen(text);
    if (n > available) return false;
    const unsigned char* p = detail::unit_address(b, head);
    for (size_t i = 0; i < n; ++i, p += unit) {
        if (unicode::read_unit(p, unit) != static_cast<unsigned char>(text[i])) return false;
    }
    return true;
}

bool is_head_char_in_bitset(const Cell* value, const Cell* bitset) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t head = clamped_head(value, b);
    if (head >= used_units(b)) return false;
    uint32_t cp = unicode::read_unit(detail::unit_address(b, head), buffer_unit(b));
    SeriesBuffer* bits = node_buffer(bitset->data2);
    uint64_t bit_count = static_cast<uint64_t>(bits->tail - bits->head) * 8;
    if (cp >= bit_count) return (bits->flags & bitset_complement) != 0;
    return (buffer_head(bits)[cp >> 3] & (0x80u >> (cp & 7))) != 0;
}

bool is_enclosed_by_angles(const Cell* value, const Cell* other) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t unit = buffer_unit(b);
    uint32_t head = clamped_head(value, b);
    uint64_t close = uint64_t{head} + length(other) + 1;
    if (close >= used_units(b)) return false;
    return unicode::read_unit(detail::unit_address(b, head), unit) == '<' &&
           unicode::read_unit(detail::unit_address(b, static_cast<uint32_t>(close)), unit) == '>';
}

Cell* make_at(Cell* cell, uint32_t n) {
    return make_at_unit(cell, n, 1);
}

Cell* make_at_unit(Cell* cell, uint32_t n, uint32_t unit) {
    if (unit != 1 && unit != 2 && unit != 4) detail::case_fault();
    Ref node = series::alloc_unit(n ? n : 1, unit);
    value::set_series(cell, type_id::string, node);
    return cell;
}

void detail::case_fault() {
    runtime::error_exit(101, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

} // namespace zep::string
