// The 62 action entries that action! values run: each reads its arguments
// from the current frame (the first at the arguments base), turns its
// refinement positions into flags and cells, normalises what the type's
// slot must not see raw (/part and /dup counts, form and mold limits, the
// pick and poke index) and calls the slot of the first argument's type.
#include <climits>

#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/value_make.h"

namespace zep::actions {

Entry entry_table[action_slot::count + 1] = {};

namespace {

// The frame's n-th argument.
inline Cell* arg(int32_t n) {
    return stack::base() + n;
}
// Refinement n was given.
inline bool given(const int32_t* refinements, int n) {
    return natives::is_given(refinements, n);
}
// Refinement n's first argument, or null when it was not given.
inline Cell* refinement_arg(const int32_t* refinements, int n) {
    return given(refinements, n) ? arg(refinements[n]) : nullptr;
}

// Stores the slot's answer in the result slot unless it already is there.
inline void store(const Cell* result) {
    if (result && result != stack::base()) stack::set_last(result);
}

// The slot of the first argument's type. The table is read here for any
// type but port!; a port's actor, a missing slot and its error are left to
// get_action_of_arg1.
template <class Fn> Fn slot_of_arg1(int action) {
    uint8_t type = cell_type(stack::base());
    if (type != type_id::port)
        if (ActionSlot found = slot_of(type, static_cast<uint32_t>(action)))
            return reinterpret_cast<Fn>(found);
    return reinterpret_cast<Fn>(get_action_of_arg1(action));
}

// Shape A: the slot reads the frame and writes the result slot itself.
inline void run_frame_slot(int action) {
    slot_of_arg1<FrameFn>(action)();
}

inline int32_t integer_arg(const Cell* cell, int32_t fallback) {
    return cell && cell_type(cell) == type_id::integer ? value::integer_of(cell) : fallback;
}

// Values whose series buffer a /part count may measure.
bool is_part_series(uint8_t type) {
    switch (type) {
    case type_id::block:
    case type_id::paren:
    case type_id::hash:
    case type_id::path:
    case type_id::lit_path:
    case type_id::set_path:
    case type_id::get_path:
    case type_id::string:
    case type_id::file:
    case type_id::url:
    case type_id::tag:
    case type_id::email:
    case type_id::ref:
    case type_id::binary:
    case type_id::vector:
    case type_id::image:
    case type_id::map:
        return true;
    default:
        return false;
    }
}

// A /part argument as a count from the series' index: an integer!, or a
// series of the same type on the same buffer (not a port!).
int32_t part_length(const Cell* series, const Cell* part) {
    if (cell_type(part) == type_id::integer) return value::integer_of(part);
    if (cell_type(part) == cell_type(series) && cell_type(part) != type_id::port &&
        value::series_node(part) == value::series_node(series)) {
        int64_t d = int64_t{value::series_head(part)} - value::series_head(series);
        return d > INT32_MAX ? INT32_MAX : d < INT32_MIN ? INT32_MIN : static_cast<int32_t>(d);
    }
    series::fire_refine("part", part);
}

// Units from the buffer head to the tail of a series value.
int32_t units_of(const Cell* series) {
    return series::total_length(series);
}

// Applies a /part count to a series value in place: clamps its index to the
// tail, and for a negative count moves the index back (not below 0).
// Answers the count to use, 0 when nothing is to be done.
int32_t normalise_part(Cell* series, int32_t length, bool clamp_index) {
    if (clamp_index) {
        int32_t tail = units_of(series);
        if (value::series_head(series) > tail) series->data1 = static_cast<uint32_t>(tail);
    }
    int32_t index = value::series_head(series);
    if (length >= 0) return length;
    if (index <= 0) return 0;
    int64_t wanted = -int64_t{length};
    int32_t moved = wanted > index ? index : static_cast<int32_t>(wanted);
    series->data1 = static_cast<uint32_t>(index - moved);
    return moved;
}

// append and insert: /part measures the value to add, /dup repeats it.
void append_or_insert(const int32_t* refinements, bool append) {
    Cell* series = arg(0);
    Cell* value = arg(1);
    int32_t part = -1;
    if (Cell* part_arg = refinement_arg(refinements, 0)) {
        if (!is_part_series(cell_type(value)) || value::series_node(value) == 0) {
            Cell copy = *part_arg;
            error::fire(error::Category::script, "invalid-part", &copy);
        }
        part = normalise_part(value, part_length(value, part_arg), true);
        if (part == 0) return; // the series unchanged is the result
    }
    bool only = given(refinements, 1);
    int32_t dup = 1;
    if (Cell* dup_arg = refinement_arg(refinements, 2)) {
        dup = integer_arg(dup_arg, 1);
        if (dup < 1) return;
    }
    auto fn = slot_of_arg1<AppendFn>(append ? action_slot::append : action_slot::insert);
    store(fn(series, value, part, only, dup, append));
}

// form and mold: a new string! filled by the slot, cut to a /part limit.
template <class Fill> void form_into_string(const Cell* limit_arg, Fill fill) {
    bool has_part = limit_arg != nullptr;
    int32_t limit = has_part ? integer_arg(limit_arg, INT32_MAX) : INT32_MAX;
    Cell* out = stack::push_slot();
    value::set_none(out);
    if (has_part && limit < 1) {
        string::make_at(out, 0);
        stack::set_last(out);
        return;
    }
    string::make_at(out, has_part && limit < 64 ? static_cast<uint32_t>(limit) : 64);
    fill(out, limit);
    if (has_part) {
        SeriesBuffer* b = node_buffer(value::series_node(out));
        uint32_t unit = buffer_unit(b);
        uint64_t units = (b->tail - b->head) / unit;
        if (units > static_cast<uint64_t>(limit))
            b->tail = b->head + static_cast<uint32_t>(limit) * unit;
    }
    stack::set_last(out);
}

} // namespace

// --- Entries ---------------------------------------------------------------------------

void make(bool, const int32_t*) {
    store(dispatch_make(arg(0), arg(1)));
}

void random(bool, const int32_t* refinements) {
    store(dispatch_random(arg(0), given(refinements, 0), given(refinements, 1),
                          given(refinements, 2)));
}

void reflect(bool, const int32_t*) {
    store(dispatch_reflect(arg(0), arg(1)));
}

void to(bool, const int32_t*) {
    store(dispatch_to(arg(0), arg(1)));
}

void form(bool, const int32_t* refinements) {
    auto fn = slot_of_arg1<FormFn>(action_slot::form);
    form_into_string(refinement_arg(refinements, 0),
                     [fn](Cell* out, int32_t limit) { fn(arg(0), out, limit); });
}

void mold(bool, const int32_t* refinements) {
    auto fn = slot_of_arg1<MoldFn>(action_slot::mold);
    bool only = given(refinements, 0), all = given(refinements, 1), flat = given(refinements, 2);
    form_into_string(refinement_arg(refinements, 3),
                     [=](Cell* out, int32_t limit) { fn(arg(0), out, only, all, flat, limit, 0); });
}

void eval_path(bool, const int32_t*) {
    const Cell* new_value = stack::arguments.top - stack::base() >= 3 ? arg(2) : nullptr;
    store(dispatch_eval_path(arg(0), arg(1), new_value, nullptr, -1, false));
}

void compare(bool, const int32_t*) {
    int code = cell_type(arg(2)) == type_id::integer ? value::integer_of(arg(2)) : 0;
    // A script can pass any integer: only the codes that give a truth value
    // are taken (the sort orders 7 and 8 give none).
    if (code < compare_code::equal || code > compare_code::find || code == compare_code::sort ||
        code == compare_code::case_sort) {
        Cell copy = *arg(2);
        error::fire(error::Category::script, "out-of-range", &copy);
    }
    compare_to_logic(code);
}

void absolute(bool, const int32_t*) {
    run_frame_slot(action_slot::absolute);
}
void add(bool, const int32_t*) {
    run_frame_slot(action_slot::add);
}
void divide(bool, const int32_t*) {
    run_frame_slot(action_slot::divide);
}
void multiply(bool, const int32_t*) {
    run_frame_slot(action_slot::multiply);
}
void negate(bool, const int32_t*) {
    store(dispatch_negate(arg(0)));
}
void power(bool, const int32_t*) {
    run_frame_slot(action_slot::power);
}
void remainder(bool, const int32_t*) {
    run_frame_slot(action_slot::remainder);
}

void round(bool, const int32_t* refinements) {
    // /to scale, then the flag refinements in round_flag bit order.
    uint32_t flags = 0;
    for (int n = 1; n <= 6; ++n)
        if (given(refinements, n)) flags |= 1u << (n - 1);
    store(dispatch_round(arg(0), refinement_arg(refinements, 0), flags));
}

void subtract(bool, const int32_t*) {
    run_frame_slot(action_slot::subtract);
}
void is_even(bool, const int32_t*) {
    run_frame_slot(action_slot::is_even);
}
void is_odd(bool, const int32_t*) {
    run_frame_slot(action_slot::is_odd);
}
void and_(bool, const int32_t*) {
    run_frame_slot(action_slot::and_);
}
void complement(bool, const int32_t*) {
    store(dispatch_complement(arg(0)));
}
void or_(bool, const int32_t*) {
    run_frame_slot(action_slot::or_);
}
void xor_(bool, const int32_t*) {
    run_frame_slot(action_slot::xor_);
}

void append(bool, const int32_t* refinements) {
    append_or_insert(refinements, true);
}

void at(bool, const int32_t*) {
    run_frame_slot(action_slot::at);
}

void back(bool, const int32_t*) {
    store(slot_of_arg1<PositionFn>(action_slot::back)(arg(0)));
}

void change(bool, const int32_t* refinements) {
    Cell* series = arg(0);
    int32_t part = -1;
    if (Cell* part_arg = refinement_arg(refinements, 0)) {
        uint8_t type = cell_type(series);
        bool positional = type != type_id::port && type != type_id::image;
        int32_t length = part_length(series, part_arg);
        if (positional) {
            part = normalise_part(series, length, true);
        } else {
            part = length < 0 ? 0 : length;
        }
    }
    bool only = given(refinements, 1);
    int32_t dup = 1;
    if (Cell* dup_arg = refinement_arg(refinements, 2)) {
        dup = integer_arg(dup_arg, 1);
        if (dup < 1) return;
    }
    auto fn = slot_of_arg1<AppendFn>(action_slot::change);
    store(fn(series, arg(1), part, only, dup, true));
}

void clear(bool, const int32_t*) {
    store(dispatch_clear(arg(0)));
}

void copy(bool, const int32_t* refinements) {
    const Cell* types = refinement_arg(refinements, 2);
    if (types && cell_type(types) != type_id::datatype && cell_type(types) != type_id::typeset) {
        Cell caller, datatype, argument = *types;
        stack::get_caller(&caller);
        value::set_datatype(&datatype, cell_type(types));
        if (datatype::type_table[cell_type(types)].word.header != 0)
            datatype = datatype::type_table[cell_type(types)].word;
        error::fire(error::Category::script, "expect-arg", &caller, &datatype, &argument);
    }
    Cell* destination = stack::push_slot();
    value::set_unset(destination);
    store(dispatch_copy(arg(0), destination, refinement_arg(refinements, 0), given(refinements, 1),
                        types));
}

void find(bool, const int32_t* r) {
    store(dispatch_find(arg(0), arg(1), refinement_arg(r, 0), given(r, 1), given(r, 2), given(r, 3),
                        given(r, 4), refinement_arg(r, 5), refinement_arg(r, 6), given(r, 7),
                        given(r, 8), given(r, 9), given(r, 10)));
}

void head(bool, const int32_t*) {
    store(slot_of_arg1<PositionFn>(action_slot::head)(arg(0)));
}
void is_head(bool, const int32_t*) {
    store(slot_of_arg1<PositionFn>(action_slot::is_head)(arg(0)));
}
void is_index(bool, const int32_t*) {
    store(slot_of_arg1<PositionFn>(action_slot::is_index)(arg(0)));
}

void insert(bool, const int32_t* refinements) {
    append_or_insert(refinements, false);
}

void is_length(bool, const int32_t*) {
    int32_t length = dispatch_length(arg(0));
    Cell result;
    if (length == -1)
        value::set_none(&result);
    else
        value::set_integer(&result, length);
    stack::set_last(&result);
}

void move(bool, const int32_t* r) {
    store(dispatch_move(arg(0), arg(1), refinement_arg(r, 0)));
}

void next(bool, const int32_t*) {
    store(slot_of_arg1<PositionFn>(action_slot::next)(arg(0)));
}

void pick(bool, const int32_t*) {
    store(dispatch_pick(arg(0), index_arg(), arg(1)));
}

void poke(bool, const int32_t*) {
    dispatch_poke(arg(0), index_arg(), arg(2), arg(1));
    stack::set_last(arg(2));
}

void put(bool, const int32_t* r) {
    store(dispatch_put(arg(0), arg(1), arg(2), given(r, 0)));
}

void remove(bool, const int32_t* r) {
    store(dispatch_remove(arg(0), refinement_arg(r, 0), refinement_arg(r, 1)));
}

void reverse(bool, const int32_t* r) {
    store(dispatch_reverse(arg(0), refinement_arg(r, 0), refinement_arg(r, 1)));
}

void select(bool, const int32_t* r) {
    store(dispatch_select(arg(0), arg(1), refinement_arg(r, 0), given(r, 1), given(r, 2),
                          given(r, 3), given(r, 4), refinement_arg(r, 5), refinement_arg(r, 6),
                          given(r, 7), given(r, 8)));
}

void sort(bool, const int32_t* r) {
    store(dispatch_sort(arg(0), given(r, 0), refinement_arg(r, 1), refinement_arg(r, 2),
                        refinement_arg(r, 3), given(r, 4), given(r, 5), given(r, 6)));
}

void skip(bool, const int32_t*) {
    run_frame_slot(action_slot::skip);
}

void swap(bool, const int32_t*) {
    store(dispatch_swap(arg(0), arg(1)));
}

void tail(bool, const int32_t*) {
    store(slot_of_arg1<PositionFn>(action_slot::tail)(arg(0)));
}
void is_tail(bool, const int32_t*) {
    store(slot_of_arg1<PositionFn>(action_slot::is_tail)(arg(0)));
}

void take(bool, const int32_t* r) {
    store(dispatch_take(arg(0), refinement_arg(r, 0), given(r, 1), given(r, 2)));
}

void trim(bool, const int32_t* r) {
    store(dispatch_trim(arg(0), given(r, 0), given(r, 1), given(r, 2), given(r, 3), given(r, 4),
                        refinement_arg(r, 5)));
}

void create(bool, const int32_t*) {
    store(dispatch_create(arg(0)));
}
void close(bool, const int32_t*) {
    store(dispatch_close(arg(0)));
}
void delete_(bool, const int32_t*) {
    store(dispatch_delete(arg(0)));
}

void modify(bool, const int32_t* r) {
    store(dispatch_modify(arg(0), arg(1), arg(2), given(r, 0)));
}

void open(bool, const int32_t* r) {
    store(dispatch_open(arg(0), given(r, 0), given(r, 1), given(r, 2), given(r, 3),
                        refinement_arg(r, 4)));
}

void is_open(bool, const int32_t*) {
    store(dispatch_is_open(arg(0)));
}
void query(bool, const int32_t*) {
    store(dispatch_query(arg(0)));
}

void read(bool, const int32_t* r) {
    store(dispatch_read(arg(0), refinement_arg(r, 0), refinement_arg(r, 1), given(r, 2),
                        given(r, 3), given(r, 4), refinement_arg(r, 5)));
}

void rename(bool, const int32_t*) {
    store(dispatch_rename(arg(0), arg(1)));
}

void update(bool, const int32_t*) {
    store(dispatch_update(arg(0)));
}

void write(bool, const int32_t* r) {
    store(dispatch_write(arg(0), arg(1), given(r, 0), given(r, 1), given(r, 2), given(r, 3),
                         refinement_arg(r, 4), refinement_arg(r, 5), refinement_arg(r, 6),
                         refinement_arg(r, 7)));
}

// --- The entry table -------------------------------------------------------------------

void register_entries(int32_t count, const Entry* entries) {
    for (int32_t n = 1; n <= count && n <= action_slot::count; ++n) entry_table[n] = entries[n - 1];
}

void register_table() {
    static const Entry entries[action_slot::count] = {
        &make,    &random,   &reflect, &to,        &form,     &mold,       &eval_path, nullptr,
        &compare, &absolute, &add,     &divide,    &multiply, &negate,     &power,     &remainder,
        &round,   &subtract, &is_even, &is_odd,    &and_,     &complement, &or_,       &xor_,
        &append,  &at,       &back,    &change,    &clear,    &copy,       &find,      &head,
        &is_head, &is_index, &insert,  &is_length, &move,     &next,       &pick,      &poke,
        &put,     &remove,   &reverse, &select,    &sort,     &skip,       &swap,      &tail,
        &is_tail, &take,     &trim,    &create,    &close,    &delete_,    &modify,    &open,
        &is_open, &query,    &read,    &rename,    &update,   &write};
    register_entries(action_slot::count, entries);
}

} // namespace zep::actions
