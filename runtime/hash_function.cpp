// The hash of a value by its type; text hashed code point by code point.
#include <algorithm>
#include <cstring>

#include "datatypes/symbol.h"
#include "runtime/case_fold.h"
#include "runtime/hashtable.h"
#include "runtime/memory.h"
#include "runtime/murmur3_internal.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/units.h"

namespace zep::hash {

void (*normalize_map_key)(Cell* key) = nullptr;
void (*canonical_money)(Cell* value) = nullptr;

namespace {

uint32_t hash_words(const Cell* cell, int first, int count) {
    uint32_t words[4] = {cell->header, cell->data1, cell->data2, cell->data3};
    return murmur3(&words[first], static_cast<uint32_t>(count) * 4);
}

uint32_t binary_hash(const Cell* value) {
    SeriesBuffer* b = node_buffer(value->data2);
    uint32_t used = b->tail - b->head;
    int32_t head = static_cast<int32_t>(value->data1);
    uint32_t start = head < 0 ? 0 : std::min<uint32_t>(static_cast<uint32_t>(head), used);
    return murmur3(buffer_head(b) + start, used - start);
}

} // namespace

uint32_t text_hash(const Cell* text, bool case_sensitive) {
    unicode::TextRange range = unicode::text_range(text);
    uint32_t shift = unicode::unit_shift(range.unit);
    uint32_t h = seed;
    for (uint32_t i = 0; i < range.length; ++i) {
        uint32_t cp = unicode::read_unit(range.start + (uint64_t{i} << shift), range.unit);
        if (!case_sensitive) cp = case_::fold_char(cp, case_::to_lower);
        h = detail::mix_block(h, cp);
    }
    // The length mixed in is 4 x the code points, kept to 32 bits as the
    // algorithm's length word is.
    return detail::finish(h, range.length * 4u);
}

uint32_t value_hash(const Cell* value, bool case_sensitive) {
    switch (cell_type(value)) {
    case type_id::unset:
        return static_cast<uint32_t>(-2);
    case type_id::none:
        return static_cast<uint32_t>(-1);
    case type_id::datatype:
    case type_id::logic:
    case type_id::object:
    case type_id::error:
    case type_id::port:
        return mix_pointer(value->data1);
    case type_id::block:
    case type_id::paren:
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
    case type_id::hash:
    case type_id::point2d:
    case type_id::image:
        return hash_words(value, 1, 2);
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
        return text_hash(value, case_sensitive);
    case type_id::char_:
    case type_id::integer:
    case type_id::map:
    case type_id::handle:
    case type_id::event:
        return mix_pointer(value->data2);
    case type_id::float_:
    case type_id::pair:
    case type_id::percent:
    case type_id::time:
        return hash_words(value, 2, 2);
    case type_id::symbol: {
        SeriesBuffer* b = node_buffer(value->data3);
        return name_hash(buffer_head(b), b->tail - b->head); // the NUL lies past the tail
    }
    case type_id::word:
    case type_id::set_word:
    case type_id::lit_word:
    case type_id::get_word:
    case type_id::refinement:
    case type_id::issue:
        return mix_pointer(symbol::resolve(value->data2));
    case type_id::native:
    case type_id::action:
        return mix_pointer(value->data3);
    case type_id::op:
    case type_id::function:
    case type_id::triple:
    case type_id::typeset:
    case type_id::date:
    // point3D! holds three coordinate words: all three are hashed.
    case type_id::point3d:
        return hash_words(value, 1, 3);
    case type_id::tuple: {
        uint32_t n = std::min<uint32_t>((value->header >> 19) & 0xF, 12);
        unsigned char bytes[12];
        std::memcpy(bytes, &value->data1, 4);
        std::memcpy(bytes + 4, &value->data2, 4);
        std::memcpy(bytes + 8, &value->data3, 4);
        return murmur3(bytes, n);
    }
    case type_id::binary:
        return binary_hash(value);
    case type_id::money: {
        Cell canonical = *value;
        if (canonical_money) canonical_money(&canonical);
        return murmur3(&canonical, sizeof(Cell));
    }
    default:
        return 0;
    }
}

} // namespace zep::hash
