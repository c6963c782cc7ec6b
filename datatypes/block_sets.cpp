// The set operations on blocks and hash!es: unique, union, intersect,
// exclude and difference. Records of /skip cells are keyed by their first
// cell; the first occurrence of a key wins. The result is always a new
// series: the arguments are only read.
#include <algorithm>

#include "datatypes/block.h"
#include "datatypes/block_internal.h"
#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/cell_ops.h"
#include "runtime/error_exit.h"
#include "runtime/gc_roots.h"
#include "runtime/hashtable.h"
#include "runtime/value_make.h"

namespace zep::block {

namespace {

using detail::cells_of;

// A series to read: its (clamped) head, its tail and the table that finds
// its keys (its own for a hash!, else a temporary one).
struct Input {
    Cell value;
    int32_t head;
    int32_t tail;
    Ref table = 0;
};

Input input_of(const Cell* value) {
    Input in{*value, series::clamped_head(value), series::total_length(value)};
    return in;
}

// Indexes the input's keys (a temporary table over its buffer, which the
// table only reads) unless it is a hash! with a table of its own.
void index_keys(Input& in) {
    if (in.table) return;
    if (cell_type(&in.value) == type_id::hash && in.value.data3) {
        in.table = in.value.data3;
        return;
    }
    in.table = hash::make_table(static_cast<uint32_t>(in.tail), &in.value, hash::kind::hash, 0);
}

// The table covers the input's whole buffer, its tail included: any
// member found will do.
bool has_key(const Input& in, const Cell* key, int32_t size, int code) {
    const Cell* found = hash::get(in.table, key, in.head, size, code, false, false, true);
    return found && found - cells_of(&in.value) < in.tail;
}

// Appends the records of `from` that `keep` accepts and whose key the
// result does not hold yet.
template <class Keep>
void pass(Cell* result, Ref result_table, const Input& from, int32_t size, int code, Keep keep) {
    // The step is the caller's /skip size, which may be near the integer
    // limit: the next record's index is computed without overflow.
    for (int32_t at = from.head; at < from.tail;
         at = size < from.tail - at ? at + size : from.tail) {
        Cell key = cells_of(&from.value)[at];
        if (!keep(&key)) continue;
        if (hash::get(result_table, &key, 0, 1, code, false, false, true)) continue;
        int32_t n = std::min(size, from.tail - at);
        int32_t first = series::total_length(result);
        for (int32_t k = 0; k < n; ++k) {
            Cell cell = cells_of(&from.value)[at + k];
            *series::alloc_tail_cell(node_buffer(result->data2)) = cell;
        }
        hash::put(result_table, cells_of(result) + first, nullptr);
    }
}

} // namespace

Cell* set_operation(bool case_, const Cell* skip, int op) {
    int32_t size = 1;
    if (series::is_given(skip)) {
        if (cell_type(skip) != type_id::integer || value::integer_of(skip) < 1)
            series::fire_refine("skip", skip);
        size = value::integer_of(skip);
    }
    Cell* base = stack::base();
    bool two = op != set_op::unique;
    Input first = input_of(base);
    Input second = two ? input_of(base + 1) : Input{};
    // The inputs and the tables (the result's and the temporary ones) stay
    // reachable while records are appended.
    gc::Root keep_first(&first.value);
    gc::Root keep_second(&second.value);
    gc::RootTable keep_first_table(first.table);
    gc::RootTable keep_second_table(second.table);
    int code = case_ ? compare_code::strict_equal : compare_code::equal;
    bool to_hash = cell_type(&first.value) == type_id::hash ||
                   (two && cell_type(&second.value) == type_id::hash);

    int64_t room = int64_t{first.tail} - first.head;
    if (op == set_op::union_) room += int64_t{second.tail} - second.head;
    room = std::clamp<int64_t>(room, 1, INT32_MAX / 16);
    Cell* result = push_new(static_cast<int32_t>(room));
    Ref table = hash::make_table(static_cast<uint32_t>(room), result, hash::kind::hash, 0);
    gc::RootTable keep_table(table);
    if (op == set_op::intersect || op == set_op::exclude || op == set_op::difference)
        index_keys(second);
    if (op == set_op::difference) index_keys(first);

    auto all = [](const Cell*) { return true; };
    switch (op) {
    case set_op::unique:
    case set_op::union_:
        pass(result, table, first, size, code, all);
        if (op == set_op::union_) pass(result, table, second, size, code, all);
        break;
    case set_op::intersect:
        pass(result, table, first, size, code,
             [&](const Cell* key) { return has_key(second, key, size, code); });
        break;
    case set_op::exclude:
    case set_op::difference:
        pass(result, table, first, size, code,
             [&](const Cell* key) { return !has_key(second, key, size, code); });
        if (op == set_op::difference)
            pass(result, table, second, size, code,
                 [&](const Cell* key) { return !has_key(first, key, size, code); });
        break;
    default:
        runtime::error_exit(101, 0);
    }
    Cell made = *result;
    if (to_hash) {
        value::set_type(&made, type_id::hash);
        made.data3 = table;
        // Every item of a hash! is indexed, not only the record keys.
        if (size > 1) hash::rebuild(table, static_cast<uint32_t>(series::total_length(&made)));
    }
    stack::pop(1);
    *base = made;
    return base;
}

} // namespace zep::block
