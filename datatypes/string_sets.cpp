// The set operations on text: unique, union, intersect, exclude and
// difference over records of /skip units, keyed by each record's first unit.
// The result is always a new text: neither argument's buffer changes.
#include <unordered_set>
#include <vector>

#include "datatypes/series.h"
#include "datatypes/string_action_support.h"
#include "datatypes/string_actions.h"
#include "datatypes/string_buffer.h"
#include "evaluator/stack.h"
#include "runtime/case_fold.h"
#include "runtime/gc_roots.h"
#include "runtime/unicode/units.h"
#include "runtime/value_make.h"

namespace zep::string {

namespace {

struct Records {
    Cell value;
    uint32_t head;
    uint32_t total;
};

Records records_of(const Cell* value) {
    return {*value, support::clamped_head(value), support::view_of(value).total};
}

uint32_t key_of(uint32_t c, bool case_) {
    return case_ ? c : case_::fold_char(c, case_::to_upper);
}

std::unordered_set<uint32_t> record_keys(const Records& r, uint32_t size, bool case_) {
    std::unordered_set<uint32_t> keys;
    support::UnitView units = support::view_of(&r.value);
    for (uint64_t i = r.head; i < r.total; i += size)
        keys.insert(key_of(units.at(static_cast<uint32_t>(i)), case_));
    return keys;
}

} // namespace

Cell* set_operation_on(Cell* first, const Cell* second, bool case_, const Cell* skip, int op) {
    if (op < set_op::unique || op > set_op::difference) support::fire_invalid_arg(first);
    uint32_t size = 1;
    if (series::is_given(skip)) {
        int32_t n = cell_type(skip) == type_id::integer ? value::integer_of(skip) : 0;
        if (n < 1) support::fire_refine_arg(words::refinement::skip, skip);
        size = static_cast<uint32_t>(n);
    }
    Records a = records_of(first);
    Records b = op == set_op::unique ? a : records_of(second);
    uint32_t unit = buffer_unit(node_buffer(a.value.data2));
    if (op == set_op::union_ || op == set_op::difference)
        unit = std::max(unit, buffer_unit(node_buffer(b.value.data2)));

    // The records kept, by their first unit in each pass: the result is
    // written once its size is known, with no copy of the text in between.
    std::vector<uint32_t> kept_records[2];
    std::unordered_set<uint32_t> kept;
    auto pass = [&](const Records& from, const Records& other, std::vector<uint32_t>& starts) {
        std::unordered_set<uint32_t> other_keys;
        bool tests_other =
            op == set_op::intersect || op == set_op::exclude || op == set_op::difference;
        if (tests_other) other_keys = record_keys(other, size, case_);
        support::UnitView units = support::view_of(&from.value);
        for (uint64_t i = from.head; i < from.total; i += size) {
            auto start = static_cast<uint32_t>(i);
            uint32_t key = key_of(units.at(start), case_);
            if (op == set_op::intersect && !other_keys.count(key)) continue;
            if ((op == set_op::exclude || op == set_op::difference) && other_keys.count(key))
                continue;
            if (!kept.insert(key).second) continue;
            starts.push_back(start);
        }
    };
    pass(a, b, kept_records[0]);
    if (op == set_op::union_ || op == set_op::difference) pass(b, a, kept_records[1]);

    const Records* sources[2] = {&a, &b};
    uint64_t length = 0;
    for (int k = 0; k < 2; ++k) {
        for (uint32_t start : kept_records[k])
            length += std::min<uint64_t>(size, sources[k]->total - start);
    }
    if (length > 0x7FFFFFFF) support::fire_no_memory();
    uint8_t type = cell_type(first);
    // The arguments are read again after the allocation, wherever it left
    // their buffers.
    gc::Root root_a(&a.value);
    gc::Root root_b(&b.value);
    Ref node = series::alloc_unit(static_cast<uint32_t>(std::max<uint64_t>(length, 1)), unit);
    SeriesBuffer* buffer = node_buffer(node);
    unsigned char* p = buffer_head(buffer);
    for (int k = 0; k < 2; ++k) {
        support::UnitView units = support::view_of(&sources[k]->value);
        for (uint32_t start : kept_records[k]) {
            uint64_t end = std::min<uint64_t>(uint64_t{start} + size, sources[k]->total);
            for (uint64_t j = start; j < end; ++j) {
                unicode::write_unit(p, unit, units.at(static_cast<uint32_t>(j)));
                p += unit;
            }
        }
    }
    buffer->tail = buffer->head + static_cast<Ref>(length * unit);
    value::set_series(first, type, node);
    return first;
}

Cell* set_operation(bool case_, const Cell* skip, int op) {
    Cell* first = stack::base();
    return set_operation_on(first, first + 1, case_, skip, op);
}

} // namespace zep::string
