// series!/move: moves units inside one series or from one series into
// another at the target's position. Neither value's head index changes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "datatypes/registry.h"
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "runtime/hashtable.h"
#include "runtime/value_make.h"

namespace zep::series {

namespace {

bool is_move_target(uint8_t type) {
    return is_block_type(type) || string::is_any_string(type) || type == type_id::binary ||
           type == type_id::vector || type == type_id::image;
}

[[noreturn]] void fire_move_bad(const Cell* origin, const Cell* target) {
    Cell from;
    Cell to;
    value::set_datatype(&from, cell_type(origin));
    value::set_datatype(&to, cell_type(target));
    error::fire(error::Category::script, "move-bad", &from, &to);
}

unsigned char* unit_address(Ref node, int64_t index) {
    SeriesBuffer* b = node_buffer(node);
    return buffer_head(b) + static_cast<uint64_t>(index) * buffer_unit(b);
}

// A move within one series: `count` units from s go to the target position
// p; ok is false when nothing may move.
struct WithinPlan {
    int32_t s = 0;
    int32_t p = 0;
    int32_t count = 0;
    int32_t total = 0;
    bool ok = false;
};

WithinPlan plan_within(const Cell* origin, const Cell* target, int32_t requested) {
    WithinPlan plan;
    plan.total = total_length(origin);
    plan.s = clamped_head(origin);
    plan.p = clamped_head(target);
    plan.count = std::min(requested, plan.total - plan.s);
    int32_t s = plan.s, p = plan.p, count = plan.count;
    // A target inside the moved range has no sound meaning: leave all as is.
    plan.ok = count > 0 && p != s && !(p > s && p != plan.total && count > plan.total - p) &&
              !(p > s && p < s + count);
    return plan;
}

// Moves the units of a sound plan.
void move_within(const Cell* origin, const WithinPlan& plan) {
    int32_t s = plan.s, p = plan.p, count = plan.count, total = plan.total;
    Ref node = origin->data2;
    uint32_t unit = unit_of(origin);
    size_t bytes = size_t{unit} * static_cast<uint32_t>(count);
    std::vector<unsigned char> moved(bytes);
    std::memcpy(moved.data(), unit_address(node, s), bytes);
    // Where the moved units end (exclusive) and where they land.
    int32_t end = p == total ? total : p + 1;
    if (p > s) {
        std::memmove(unit_address(node, s), unit_address(node, s + count),
                     size_t{unit} * static_cast<uint32_t>(end - s - count));
        std::memcpy(unit_address(node, end - count), moved.data(), bytes);
    } else {
        end = p;
        std::memmove(unit_address(node, p + count), unit_address(node, p),
                     size_t{unit} * static_cast<uint32_t>(s - p));
        std::memcpy(unit_address(node, p), moved.data(), bytes);
    }
    if (cell_type(origin) == type_id::hash && origin->data3)
        hash::move_indexes(origin->data3, end, s, count);
}

// Between two buffers of one unit size: up to `requested` units from the
// origin's head.
void move_across(const Cell* origin, const Cell* target, int32_t requested) {
    int32_t s = clamped_head(origin);
    int32_t count = std::min(requested, total_length(origin) - s);
    if (count <= 0) return;
    uint32_t unit = unit_of(origin);
    uint64_t bytes = uint64_t{unit} * static_cast<uint32_t>(count);
    int32_t p = clamped_head(target);
    int32_t target_total = total_length(target);
    SeriesBuffer* tb = node_buffer(target->data2);
    if (uint64_t{tb->tail} + bytes > arena::ref(buffer_end(tb))) {
        uint64_t needed = uint64_t{tb->tail - tb->head} + bytes;
        series::expand(tb, memory::grown_size(needed, 2 * needed, unit));
    }
    tb = node_buffer(target->data2);
    unsigned char* at = buffer_head(tb) + uint64_t{static_cast<uint32_t>(p)} * unit;
    std::memmove(at + bytes, at, buffer_tail(tb) - at);
    tb->tail += static_cast<uint32_t>(bytes);
    std::memcpy(at, unit_address(origin->data2, s), bytes);
    SeriesBuffer* ob = node_buffer(origin->data2);
    unsigned char* from = buffer_head(ob) + uint64_t{static_cast<uint32_t>(s)} * unit;
    std::memmove(from, from + bytes, buffer_tail(ob) - (from + bytes));
    ob->tail -= static_cast<uint32_t>(bytes);

    int32_t origin_total = total_length(origin) + count;
    if (cell_type(origin) == type_id::hash && origin->data3) {
        Ref table = origin->data3;
        if (hash::shift_indexes(table, -count, s + count, origin_total - s - count, true))
            hash::rebuild(table, static_cast<uint32_t>(origin_total - count));
    }
    if (cell_type(target) == type_id::hash && target->data3) {
        Ref table = target->data3;
        if (hash::shift_indexes(table, count, p, target_total - p, true)) {
            hash::rebuild(table, static_cast<uint32_t>(target_total + count));
            return;
        }
        for (int32_t k = 0; k < count; ++k) {
            int32_t status = 0;
            hash::put(table, reinterpret_cast<Cell*>(unit_address(target->data2, p + k)), &status);
            if (status == 2) break;
        }
    }
}

} // namespace

Cell* move(Cell* origin, Cell* target, const Cell* part) {
    if (!is_move_target(cell_type(target))) {
        Cell name;
        Cell type;
        Cell argument;
        word_named("move", &name);
        value::set_datatype(&type, cell_type(target));
        word_named("target", &argument);
        error::fire(error::Category::script, "expect-arg", &name, &type, &argument);
    }
    Cell from = *origin;
    Cell to = *target;
    int32_t available = length(&from, false);
    if (available <= 0) return target;
    int32_t count = 1;
    if (is_given(part)) {
        if (cell_type(part) != type_id::integer) fire_refine("part", part);
        count = value::integer_of(part);
        if (count <= 0) return target;
        count = std::min(count, available);
    }
    if (from.data2 == to.data2) {
        WithinPlan plan = plan_within(&from, &to, count);
        if (plan.p == plan.s) return target;
        if (!plan.ok) return origin;
        bool owned = notify(&to, "move", &from, value::series_head(&from), plan.count);
        // The owner's handler may have changed the series: move within what
        // is there now, when that is still sound.
        if (owned) plan = plan_within(&from, &to, count);
        if (plan.ok) move_within(&from, plan);
        if (owned) notify(&to, "moved", nullptr, value::series_head(&to) - count, count);
        return target;
    }
    bool origin_block = is_block_type(cell_type(&from));
    bool target_block = is_block_type(cell_type(&to));
    bool origin_text = string::is_any_string(cell_type(&from));
    bool target_text = string::is_any_string(cell_type(&to));
    if ((origin_block && target_text) || (origin_text && target_block)) fire_move_bad(&from, &to);
    uint32_t origin_unit = unit_of(&from);
    uint32_t target_unit = unit_of(&to);
    if (origin_unit != target_unit && !(origin_text && target_text)) fire_move_bad(&from, &to);
    bool owned = notify(&to, "move", &from, value::series_head(&to), count);
    if (origin_unit != target_unit) {
        string::insert_string(&from, &to, count * origin_unit);
        return target;
    }
    // The owner's handler may have changed either series: what is moved is
    // worked out after it.
    move_across(&from, &to, count);
    if (owned) notify(&to, "moved", nullptr, value::series_head(&to), count);
    return target;
}

} // namespace zep::series
