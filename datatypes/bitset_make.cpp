// make bitset! and to bitset!.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "datatypes/bitset.h"
#include "datatypes/bitset_internal.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "runtime/value_make.h"

namespace zep::bitset {

namespace {

// The bytes of a binary! from its head to its tail.
struct Bytes {
    Ref node;
    uint32_t start;
    uint32_t count;
};

Bytes bytes_of(const Cell* binary) {
    SeriesBuffer* b = node_buffer(value::series_node(binary));
    uint32_t total = b->tail - b->head;
    uint32_t start =
        std::min<uint32_t>(static_cast<uint32_t>(std::max(value::series_head(binary), 0)), total);
    return {value::series_node(binary), start, total - start};
}

Cell* from_binary(Cell* result, const Cell* binary, bool complemented) {
    Bytes bytes = bytes_of(binary);
    Cell made;
    make_at(&made, bytes.count, 0, complemented);
    unsigned char* to = get_data(&made);
    const unsigned char* from = buffer_head(node_buffer(bytes.node)) + bytes.start;
    for (uint32_t i = 0; i < bytes.count; ++i)
        to[i] = complemented ? static_cast<uint8_t>(~from[i]) : from[i];
    *result = made;
    return result;
}

// The bytes for a size in bits: rounded up to whole bytes.
Cell* from_size(Cell* result, const Cell* spec) {
    int64_t n;
    if (cell_type(spec) == type_id::integer) {
        n = value::integer_of(spec);
    } else {
        double d = value::double_of(spec);
        if (std::isnan(d) || d >= 2147483648.0 || d <= -2147483649.0)
            error::fire(error::Category::script, "out-of-range", spec);
        n = static_cast<int64_t>(d);
    }
    if (n < 0) error::fire(error::Category::script, "out-of-range", spec);
    return make_at(result, static_cast<uint32_t>((n + 7) / 8), 0, false);
}

bool starts_with_not(const Cell* block) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    int32_t head = value::series_head(block);
    if (head < 0 || uint64_t{b->head} + uint64_t(head) * sizeof(Cell) >= b->tail) return false;
    const Cell* first = arena::at<Cell>(b->head) + head;
    return cell_type(first) == type_id::word &&
           symbol::resolve(value::word_symbol(first)) ==
               symbol::resolve(value::word_symbol(&words::symbol_words[words::symbol_word::not_]));
}

// Measures the spec, allocates the bytes (all members under `not`), then
// sets the named bits (clears them under `not`).
Cell* from_spec(Cell* result, const Cell* spec, bool negated, SpecUse use) {
    uint32_t start = static_cast<uint32_t>(std::max(value::series_head(spec), 0)) + 1;
    int32_t highest = negated ? process_from(spec, start, nullptr, Op::measure, use)
                              : process(spec, nullptr, Op::measure, use);
    uint32_t bytes = highest < 0 ? 1 : (static_cast<uint32_t>(highest) >> 3) + 1;
    Cell made;
    make_at(&made, bytes, negated ? 0xFF : 0x00, negated);
    if (negated)
        process_from(spec, start, &made, Op::clear, use);
    else
        process(spec, &made, Op::set, use);
    *result = made;
    return result;
}

Cell* build(Cell* result, const Cell* spec, SpecUse use) {
    switch (cell_type(spec)) {
    case type_id::block: {
        if (!starts_with_not(spec)) return from_spec(result, spec, false, use);
        SeriesBuffer* b = node_buffer(value::series_node(spec));
        uint32_t next = static_cast<uint32_t>(value::series_head(spec)) + 1;
        if (uint64_t{b->head} + uint64_t{next} * sizeof(Cell) < b->tail) {
            Cell after = arena::at<Cell>(b->head)[next];
            if (cell_type(&after) == type_id::binary) return from_binary(result, &after, true);
        }
        return from_spec(result, spec, true, use);
    }
    case type_id::integer:
    case type_id::float_:
        if (use == SpecUse::to) {
            Cell type;
            value::set_datatype(&type, type_id::bitset);
            error::fire(error::Category::script, "bad-to-arg", &type, spec);
        }
        return from_size(result, spec);
    case type_id::bitset: {
        return duplicate(spec, result, false);
    }
    case type_id::binary:
        return from_binary(result, spec, false);
    default:
        return from_spec(result, spec, false, use);
    }
}

} // namespace

Cell* make(Cell* result, const Cell* spec, uint8_t) {
    return build(result, spec, SpecUse::make);
}

Cell* to(Cell* result, const Cell* spec, uint8_t) {
    return build(result, spec, SpecUse::to);
}

} // namespace zep::bitset
