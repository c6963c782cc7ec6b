// Action dispatch: the lookup of a type's operation for one of the 62
// actions (with the route for ports that carry a native actor table), one
// dispatcher per action for callers that hold explicit cells, the 62 action
// entries that action! values run (they read their arguments from the
// current frame, normalise /part and /dup, and call the type's slot), and
// comparison.
#pragma once
#include <cstdint>

#include "datatypes/registry.h"
#include "evaluator/natives.h"
#include "runtime/cell.h"

namespace zep::actions {

using Entry = natives::Entry;

// --- Lookup ----------------------------------------------------------------------

// The operation of `type` for the action. A port! whose actor field holds a
// handle! answers its native actor's entry for actions 25 and up (access
// no-port-action when empty). A missing slot raises script expect-arg
// naming the caller, the type and the current function's first argument.
ActionSlot get_action(uint8_t type, const Cell* value, int action);
ActionSlot get_action_of_arg1(int action);
ActionSlot get_action_of(const Cell* value, int action);
template <class Fn> Fn get_action_as(const Cell* value, int action) {
    return reinterpret_cast<Fn>(get_action_of(value, action));
}
// The eval-path operation of the value's type; a missing slot raises script
// bad-path-type naming `element` and the datatype when a path is given,
// else bad-path-type2.
EvalPathFn get_path_action(const Cell* value, const Cell* path, const Cell* element,
                           int32_t element_index);
// The pick/poke index from the frame's second argument: integer! its value,
// char! its code point, logic! 1 for true and 2 for false, else 0.
int32_t index_arg();

// --- Native port actors -----------------------------------------------------------

// A native actor table has one entry per action 25..62 (null: unsupported).
constexpr int port_actor_first = 25;
constexpr int port_actor_count = action_slot::count - port_actor_first + 1;
using PortActor = ActionSlot[port_actor_count];

// --- Dispatchers (explicit cells) -----------------------------------------------

// make and to: a datatype! first argument selects the type it names.
Cell* dispatch_make(Cell* type, const Cell* spec);
Cell* dispatch_to(Cell* type, const Cell* spec);
Cell* dispatch_random(Cell* value, bool seed, bool secure, bool only);
Cell* dispatch_reflect(Cell* value, const Cell* field);
int32_t dispatch_form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t dispatch_mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
                      int32_t part_limit, int32_t indent);
// The path walk's mode, set by dispatch_eval_path just before it calls the
// slot, for the slots that need more than their signature carries (object!:
// whether a missing field is unset!, invalid-path or unset-path). Read it on
// entry, before anything is evaluated.
struct PathMode {
    const Cell* parent; // the value the current one was selected from, or null
    bool get;           // get mode (functions are not called)
    bool get_any;       // unset values are not refused
};
extern PathMode path_mode;
Cell* dispatch_eval_path(Cell* value, const Cell* selector, const Cell* new_value, const Cell* path,
                         int32_t element_index, bool case_, const Cell* parent = nullptr,
                         bool get = false, bool get_any = false);
Cell* dispatch_negate(Cell* value);
Cell* dispatch_round(Cell* value, const Cell* scale, uint32_t flags);
bool dispatch_is_even(Cell* value);
bool dispatch_is_odd(Cell* value);
Cell* dispatch_complement(Cell* value);
Cell* dispatch_append(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup);
Cell* dispatch_change(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup);
Cell* dispatch_clear(Cell* series);
Cell* dispatch_copy(Cell* series, Cell* destination, const Cell* part, bool deep,
                    const Cell* types);
Cell* dispatch_find(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same,
                    bool any, Cell* with, Cell* skip, bool last, bool reverse, bool tail,
                    bool match);
Cell* dispatch_insert(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup);
int32_t dispatch_length(Cell* series);
Cell* dispatch_move(Cell* origin, Cell* target, const Cell* part);
Cell* dispatch_pick(Cell* series, int32_t index, const Cell* index_cell);
Cell* dispatch_poke(Cell* series, int32_t index, Cell* value, const Cell* index_cell);
Cell* dispatch_put(Cell* series, Cell* key, Cell* value, bool case_);
Cell* dispatch_remove(Cell* series, Cell* part, Cell* key);
Cell* dispatch_reverse(Cell* series, Cell* part, Cell* skip);
Cell* dispatch_select(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same,
                      bool any, Cell* with, Cell* skip, bool last, bool reverse);
Cell* dispatch_sort(Cell* series, bool case_, const Cell* skip, const Cell* comparator,
                    const Cell* part, bool all, bool reverse, bool stable);
Cell* dispatch_swap(Cell* series, Cell* other);
Cell* dispatch_take(Cell* series, Cell* part, bool deep, bool last);
Cell* dispatch_trim(Cell* series, bool head, bool tail, bool auto_, bool lines, bool all,
                    const Cell* with);
Cell* dispatch_create(Cell* port);
Cell* dispatch_close(Cell* port);
Cell* dispatch_delete(Cell* target);
Cell* dispatch_modify(Cell* target, const Cell* field, Cell* value, bool case_);
Cell* dispatch_open(Cell* spec, bool new_, bool read, bool write, bool seek, const Cell* allow);
Cell* dispatch_is_open(Cell* port);
Cell* dispatch_query(Cell* target);
Cell* dispatch_read(Cell* source, const Cell* part, const Cell* seek, bool binary, bool lines,
                    bool info, const Cell* as);
Cell* dispatch_rename(Cell* from, const Cell* to);
Cell* dispatch_update(Cell* port);
Cell* dispatch_write(Cell* destination, const Cell* data, bool binary, bool lines, bool info,
                     bool append, const Cell* part, const Cell* seek, const Cell* allow,
                     const Cell* as);

// --- Comparison --------------------------------------------------------------------

// Compares through a's compare slot and answers the outcome for the code
// (compare_code). Ordering values that are not comparable raises script
// invalid-compare; testing them for equality answers false.
bool compare(const Cell* a, const Cell* b, int code);
// As compare, answering logic!, native!, action!, op!, function! and
// routine! directly (flags, code addresses, function nodes).
bool compare_direct(const Cell* a, const Cell* b, int code);
// Compares the frame's first two arguments and stores the logic! outcome in
// the result slot.
void compare_to_logic(int code);

// --- The entry table -----------------------------------------------------------------

// Slots 1..62 (8 stays empty); filled by register_table at start-up.
extern Entry entry_table[action_slot::count + 1];
inline Entry entry_at(int32_t action) {
    return action >= 1 && action <= action_slot::count ? entry_table[action] : nullptr;
}
// Puts entry n of the list into slot n.
void register_entries(int32_t count, const Entry* entries);
// Registers the 62 entries below.
void register_table();

// --- The 62 entries (arguments in the current frame) ---------------------------------

void make(bool check, const int32_t* refinements);
void random(bool check, const int32_t* refinements);
void reflect(bool check, const int32_t* refinements);
void to(bool check, const int32_t* refinements);
void form(bool check, const int32_t* refinements);
void mold(bool check, const int32_t* refinements);
void eval_path(bool check, const int32_t* refinements);
void compare(bool check, const int32_t* refinements);
void absolute(bool check, const int32_t* refinements);
void add(bool check, const int32_t* refinements);
void divide(bool check, const int32_t* refinements);
void multiply(bool check, const int32_t* refinements);
void negate(bool check, const int32_t* refinements);
void power(bool check, const int32_t* refinements);
void remainder(bool check, const int32_t* refinements);
void round(bool check, const int32_t* refinements);
void subtract(bool check, const int32_t* refinements);
void is_even(bool check, const int32_t* refinements);
void is_odd(bool check, const int32_t* refinements);
void and_(bool check, const int32_t* refinements);
void complement(bool check, const int32_t* refinements);
void or_(bool check, const int32_t* refinements);
void xor_(bool check, const int32_t* refinements);
void append(bool check, const int32_t* refinements);
void at(bool check, const int32_t* refinements);
void back(bool check, const int32_t* refinements);
void change(bool check, const int32_t* refinements);
void clear(bool check, const int32_t* refinements);
void copy(bool check, const int32_t* refinements);
void find(bool check, const int32_t* refinements);
void head(bool check, const int32_t* refinements);
void is_head(bool check, const int32_t* refinements);
void is_index(bool check, const int32_t* refinements);
void insert(bool check, const int32_t* refinements);
void is_length(bool check, const int32_t* refinements);
void move(bool check, const int32_t* refinements);
void next(bool check, const int32_t* refinements);
void pick(bool check, const int32_t* refinements);
void poke(bool check, const int32_t* refinements);
void put(bool check, const int32_t* refinements);
void remove(bool check, const int32_t* refinements);
void reverse(bool check, const int32_t* refinements);
void select(bool check, const int32_t* refinements);
void sort(bool check, const int32_t* refinements);
void skip(bool check, const int32_t* refinements);
void swap(bool check, const int32_t* refinements);
void tail(bool check, const int32_t* refinements);
void is_tail(bool check, const int32_t* refinements);
void take(bool check, const int32_t* refinements);
void trim(bool check, const int32_t* refinements);
void create(bool check, const int32_t* refinements);
void close(bool check, const int32_t* refinements);
void delete_(bool check, const int32_t* refinements);
void modify(bool check, const int32_t* refinements);
void open(bool check, const int32_t* refinements);
void is_open(bool check, const int32_t* refinements);
void query(bool check, const int32_t* refinements);
void read(bool check, const int32_t* refinements);
void rename(bool check, const int32_t* refinements);
void update(bool check, const int32_t* refinements);
void write(bool check, const int32_t* refinements);

} // namespace zep::actions
