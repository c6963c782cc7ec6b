// The natives table: every native function is reached through its index in
// this table (compiled code and saved binary data refer to natives by index).
// Each native group fills its own slots through set_entry; register_all
// first fills every slot with an entry that raises internal not-done, so a
// group that is not linked in fails cleanly.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::natives {

// The shared native and action entry signature. `check` is true when the
// caller (compiled or library code) wants the arguments type-checked against
// the spec; false from the interpreter, whose argument fetcher has checked
// them. `refinements` holds one position per refinement of the spec, in spec
// order: the number of arguments pushed before the refinement's first
// argument, or -1 when the refinement is absent; null when the spec has
// none. Arguments sit at stack::base() + n; the result goes into
// stack::base().
using Entry = void (*)(bool check, const int32_t* refinements);

// Capacity of the table and the number of natives registered at start-up.
constexpr int32_t table_capacity = 120;
constexpr int32_t native_count = 107;
// Cells in the block that print and prin reuse.
constexpr uint32_t print_scratch_cells = 32;

// The table (index 0 unused) and the next free index (108 once filled).
extern Entry table[table_capacity + 1];
extern int32_t next_index;

// The entry at index, or null when the index is out of range or empty.
inline Entry entry_at(int32_t index) {
    return index >= 1 && index <= table_capacity ? table[index] : nullptr;
}
// True when a position says its refinement was given.
inline bool is_given(const int32_t* refinements, int n) {
    return refinements != nullptr && refinements[n] >= 0;
}

// Appends count entries at the next free index, advancing it.
void register_table(int32_t count, const Entry* entries);
// Puts one entry at its fixed index (1..107).
void set_entry(int32_t index, Entry entry);
// Fills slots 1..107 with the not-done entry, then calls every group's
// registration (natives_groups.cpp); the count ends at 108.
void register_all();
// Start-up: empties the table, makes the print scratch block in the root
// block, then register_all.
void register_();
// Forgets the print scratch block (tests rebuild the core between cases).
void forget();
// The print scratch block (a block! cell in the root block).
Cell* print_scratch();

// The entry every unfilled slot holds: raises internal not-done.
void not_done(bool check, const int32_t* refinements);

// Calls every group's registration (natives_groups.cpp: one line per group).
void register_groups();
// The native groups, each registering its own entries by index.
void register_words();   // natives_words.cpp
void register_control(); // natives_control.cpp
void register_math();    // natives_math.cpp and friends
void register_system();  // natives_system.cpp and friends

// The fixed indexes of the natives, in table order.
namespace index {
enum : int32_t {
    if_ = 1,
    unless,
    either,
    any,
    all,
    while_,
    until,
    loop,
    repeat,
    forever,
    foreach,
    forall,
    remove_each,
    func,
    function,
    does,
    has,
    switch_,
    case_,
    do_,
    get,
    set,
    print,
    prin,
    is_equal,
    is_not_equal,
    is_strict_equal,
    is_lesser,
    is_greater,
    is_lesser_or_equal,
    is_greater_or_equal,
    is_same,
    not_,
    is_type,
    reduce,
    compose,
    stats,
    bind,
    in,
    parse,
    union_,
    intersect,
    unique,
    difference,
    exclude,
    is_complement,
    dehex,
    enhex,
    is_negative,
    is_positive,
    max,
    min,
    shift,
    to_hex,
    sine,
    cosine,
    tangent,
    arcsine,
    arccosine,
    arctangent,
    arctangent2,
    is_nan,
    log_2,
    log_10,
    log_e,
    exp,
    square_root,
    construct,
    is_value,
    try_,
    uppercase,
    lowercase,
    as_pair,
    as_point2d,
    as_point3d,
    as_money,
    break_,
    continue_,
    exit_,
    return_,
    throw_,
    catch_,
    extend,
    debase,
    to_local_file,
    wait,
    checksum,
    unset,
    new_line,
    is_new_line,
    enbase,
    is_context,
    set_env,
    get_env,
    list_env,
    now,
    is_sign,
    as,
    call,
    is_zero,
    is_size,
    browse,
    compress,
    decompress,
    recycle,
    transcode,
    apply
};
static_assert(apply == native_count);
} // namespace index

// The natives of the word, function and context group (natives_words.cpp).
void func(bool check, const int32_t* refinements);
void function(bool check, const int32_t* refinements);
void does(bool check, const int32_t* refinements);
void has(bool check, const int32_t* refinements);
void get(bool check, const int32_t* refinements);
void set(bool check, const int32_t* refinements);
void bind(bool check, const int32_t* refinements);
void in(bool check, const int32_t* refinements);
void construct(bool check, const int32_t* refinements);
void is_value(bool check, const int32_t* refinements);
void extend(bool check, const int32_t* refinements);
void unset(bool check, const int32_t* refinements);
void new_line(bool check, const int32_t* refinements);
void is_new_line(bool check, const int32_t* refinements);
void is_context(bool check, const int32_t* refinements);

// set's block form: words[i] receives value i of a list value (or the whole
// value), under the any/only/some rules of `set`.
void foreach_set_words(const Cell* words, const Cell* value, int32_t count, bool any, bool only,
                       bool some);

} // namespace zep::natives
