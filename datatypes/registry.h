// The datatype registry: the type table (one row per type id: name and
// type word) and the action table (one row of 256 slots per type id), which
// every datatype fills once at start-up through datatype::register_type.
// Dispatch is one indexed load: inheritance is resolved at registration.
#pragma once
#include <array>
#include <cstdint>
#include <type_traits>

#include "runtime/cell.h"

namespace zep {

// A slot holds the address of a type's operation as a generic function
// pointer; callers cast it to the slot's real signature (the typedefs below).
using ActionSlot = void (*)();

// The action numbers: slot n of a type's row holds its operation for action n.
namespace action_slot {
enum : uint8_t {
    make = 1,
    random,
    reflect,
    to,
    form,
    mold,
    eval_path,
    empty, // always 0
    compare,
    absolute,
    add,
    divide,
    multiply,
    negate,
    power,
    remainder,
    round,
    subtract,
    is_even,
    is_odd,
    and_,
    complement,
    or_,
    xor_,
    append,
    at,
    back,
    change,
    clear,
    copy,
    find,
    head,
    is_head,
    is_index,
    insert,
    is_length,
    move,
    next,
    pick,
    poke,
    put,
    remove,
    reverse,
    select,
    sort,
    skip,
    swap,
    tail,
    is_tail,
    take,
    trim,
    create,
    close,
    delete_,
    modify,
    open,
    is_open,
    query,
    read,
    rename,
    update,
    write
};
constexpr int count = 62;
} // namespace action_slot

// Slot signatures, one per action slot. The first cell is the action's first
// argument, which is also the call's result slot. Flags are refinements
// given or not; refinement arguments are cell pointers (null, or below the
// arguments base, when the refinement was not given: series::is_given).
// Operations that answer a cell either change the first argument in place
// and answer it, or answer a cell that the action copies into the result
// slot (a cell inside a series, a shared constant or a cell pushed on the
// argument stack).

// make, to: (first argument, spec, type id to make).
using MakeFn = Cell* (*)(Cell* result, const Cell* spec, uint8_t type);
using ToFn = MakeFn;
// random: (value, /seed, /secure, /only); written in place.
using RandomFn = Cell* (*)(Cell* value, bool seed, bool secure, bool only);
// reflect: (value, field word).
using ReflectFn = Cell* (*)(Cell* value, const Cell* field);
// form, mold: append text to out_string; answer the limit received minus
// the characters written (2,147,483,647 when /part is absent; the action
// cuts the string back to the limit when /part was given).
using FormFn = int32_t (*)(const Cell* value, Cell* out_string, int32_t part_limit);
using MoldFn = int32_t (*)(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
                           int32_t part_limit, int32_t indent);
// eval-path: (parent, selector, value to set or null for a get, the path
// being evaluated or null, /case).
using EvalPathFn = Cell* (*)(Cell* parent, const Cell* selector, const Cell* new_value,
                             const Cell* path, bool case_);
// compare: -1, 0 or 1, or -2 when the two values are not comparable.
using CompareFn = int (*)(const Cell* a, const Cell* b, int code);
// Actions that read their operands from the current frame and write the
// frame's result slot themselves: absolute, add, divide, multiply, power,
// remainder, subtract, even?, odd?, and~, or~, xor~, at, skip.
using FrameFn = void (*)();
// negate, complement, clear: the value changed in place.
using NegateFn = Cell* (*)(Cell* value);
using ComplementFn = Cell* (*)(Cell* value);
using ClearFn = Cell* (*)(Cell* series);
// round: (value, /to scale or null, round_flag bits).
using RoundFn = Cell* (*)(Cell* value, const Cell* scale, uint32_t flags);
// append, insert, change: (series, value, part count or -1, /only, dup
// count (1 when absent), notify flag).
using AppendFn = Cell* (*)(Cell* series, const Cell* value, int32_t part, bool only, int32_t dup,
                           bool notify);
// back, head, head?, index?, next, tail, tail?: (series).
using PositionFn = Cell* (*)(Cell* series);
// copy: (value, cell receiving the copy, /part, /deep, /types).
using CopyFn = Cell* (*)(Cell* series, Cell* destination, const Cell* part, bool deep,
                         const Cell* types);
using FindFn = Cell* (*)(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same,
                         bool any, Cell* with, Cell* skip, bool last, bool reverse, bool tail,
                         bool match);
using SelectFn = Cell* (*)(Cell* series, Cell* value, Cell* part, bool only, bool case_, bool same,
                           bool any, Cell* with, Cell* skip, bool last, bool reverse);
// length?: the length, or -1 for "no length" (the action answers none).
using LengthFn = int32_t (*)(Cell* series);
using MoveFn = Cell* (*)(Cell* origin, Cell* target, const Cell* part);
// pick, poke: (series, index from the index argument, the index argument).
using PickFn = Cell* (*)(Cell* series, int32_t index, const Cell* index_cell);
using PokeFn = Cell* (*)(Cell* series, int32_t index, Cell* value, const Cell* index_cell);
using PutFn = Cell* (*)(Cell* series, Cell* key, Cell* value, bool case_);
using RemoveFn = Cell* (*)(Cell* series, Cell* part, Cell* key);
using ReverseFn = Cell* (*)(Cell* series, Cell* part, Cell* skip);
using SortFn = Cell* (*)(Cell* series, bool case_, const Cell* skip, const Cell* comparator,
                         const Cell* part, bool all, bool reverse, bool stable);
using SwapFn = Cell* (*)(Cell* series, Cell* other);
using TakeFn = Cell* (*)(Cell* series, Cell* part, bool deep, bool last);
using TrimFn = Cell* (*)(Cell* series, bool head, bool tail, bool auto_, bool lines, bool all,
                         const Cell* with);
// modify: (target, field, value, /case).
using ModifyFn = Cell* (*)(Cell* target, const Cell* field, Cell* value, bool case_);
// create, close, delete, open?, query, update: (port or file).
using PortFn = Cell* (*)(Cell* target);
// open: (spec, /new, /read, /write, /seek, /allow access).
using OpenFn = Cell* (*)(Cell* spec, bool new_, bool read, bool write, bool seek,
                         const Cell* allow);
// read: (source, /part, /seek, /binary, /lines, /info, /as encoding).
using ReadFn = Cell* (*)(Cell* source, const Cell* part, const Cell* seek, bool binary, bool lines,
                         bool info, const Cell* as);
// rename: (from, to).
using RenameFn = Cell* (*)(Cell* from, const Cell* to);
// write: (destination, data, /binary, /lines, /info, /append, /part, /seek,
// /allow access, /as encoding).
using WriteFn = Cell* (*)(Cell* destination, const Cell* data, bool binary, bool lines, bool info,
                          bool append, const Cell* part, const Cell* seek, const Cell* allow,
                          const Cell* as);

// Comparison codes passed to slot 9.
namespace compare_code {
enum : int {
    equal = 0,
    not_equal = 1,
    strict_equal = 2,
    lesser = 3,
    lesser_or_equal = 4,
    greater = 5,
    greater_or_equal = 6,
    sort = 7,
    case_sort = 8,
    same = 9,
    word_equal = 10,
    word_not_equal = 11,
    find = 12
};
constexpr int not_comparable = -2;
} // namespace compare_code

// Rows 0 to 56 of both tables. An action row holds the 62 slots padded to
// 64, so that the rows start-up fills share pages (256-slot rows put each
// type's row on its own page of the table).
constexpr int type_rows = 57;
constexpr int slots_per_row = 64;
static_assert(slots_per_row >= action_slot::count);

struct TypeRow {
    const char* name;     // "integer!"
    uint32_t name_length; // strlen(name) - 1: the name without its "!"
    Cell word;            // the name's word in the global context, or all zero
};

namespace datatype {

// One word of a registration's slot list: an operation, unsupported (0),
// or "take the parent's entry" (-1).
struct SlotWord {
    ActionSlot operation = nullptr;
    bool inherit = false;
};
inline constexpr SlotWord unsupported{};
inline constexpr SlotWord inherit{nullptr, true};
template <class Fn> SlotWord operation(Fn* fn) {
    return {reinterpret_cast<ActionSlot>(fn), false};
}

// The registration record: the count of the words that follow it (3 + the
// number of slot words, always 65), the type id, the parent id (0 for none),
// the name and the slot words in slot order.
struct Registration {
    int32_t count;
    uint8_t type;
    uint8_t parent;
    const char* name;
    const SlotWord* slots;
};

// The signature each action slot's operation must have.
template <int Slot> struct SlotSignature;
#define ZEP_SLOT_SIGNATURE(slot, Fn)                                                               \
    template <> struct SlotSignature<action_slot::slot> { using type = Fn; }
ZEP_SLOT_SIGNATURE(make, MakeFn);
ZEP_SLOT_SIGNATURE(random, RandomFn);
ZEP_SLOT_SIGNATURE(reflect, ReflectFn);
ZEP_SLOT_SIGNATURE(to, ToFn);
ZEP_SLOT_SIGNATURE(form, FormFn);
ZEP_SLOT_SIGNATURE(mold, MoldFn);
ZEP_SLOT_SIGNATURE(eval_path, EvalPathFn);
ZEP_SLOT_SIGNATURE(compare, CompareFn);
ZEP_SLOT_SIGNATURE(absolute, FrameFn);
ZEP_SLOT_SIGNATURE(add, FrameFn);
ZEP_SLOT_SIGNATURE(divide, FrameFn);
ZEP_SLOT_SIGNATURE(multiply, FrameFn);
ZEP_SLOT_SIGNATURE(negate, NegateFn);
ZEP_SLOT_SIGNATURE(power, FrameFn);
ZEP_SLOT_SIGNATURE(remainder, FrameFn);
ZEP_SLOT_SIGNATURE(round, RoundFn);
ZEP_SLOT_SIGNATURE(subtract, FrameFn);
ZEP_SLOT_SIGNATURE(is_even, FrameFn);
ZEP_SLOT_SIGNATURE(is_odd, FrameFn);
ZEP_SLOT_SIGNATURE(and_, FrameFn);
ZEP_SLOT_SIGNATURE(complement, ComplementFn);
ZEP_SLOT_SIGNATURE(or_, FrameFn);
ZEP_SLOT_SIGNATURE(xor_, FrameFn);
ZEP_SLOT_SIGNATURE(append, AppendFn);
ZEP_SLOT_SIGNATURE(at, FrameFn);
ZEP_SLOT_SIGNATURE(back, PositionFn);
ZEP_SLOT_SIGNATURE(change, AppendFn);
ZEP_SLOT_SIGNATURE(clear, ClearFn);
ZEP_SLOT_SIGNATURE(copy, CopyFn);
ZEP_SLOT_SIGNATURE(find, FindFn);
ZEP_SLOT_SIGNATURE(head, PositionFn);
ZEP_SLOT_SIGNATURE(is_head, PositionFn);
ZEP_SLOT_SIGNATURE(is_index, PositionFn);
ZEP_SLOT_SIGNATURE(insert, AppendFn);
ZEP_SLOT_SIGNATURE(is_length, LengthFn);
ZEP_SLOT_SIGNATURE(move, MoveFn);
ZEP_SLOT_SIGNATURE(next, PositionFn);
ZEP_SLOT_SIGNATURE(pick, PickFn);
ZEP_SLOT_SIGNATURE(poke, PokeFn);
ZEP_SLOT_SIGNATURE(put, PutFn);
ZEP_SLOT_SIGNATURE(remove, RemoveFn);
ZEP_SLOT_SIGNATURE(reverse, ReverseFn);
ZEP_SLOT_SIGNATURE(select, SelectFn);
ZEP_SLOT_SIGNATURE(sort, SortFn);
ZEP_SLOT_SIGNATURE(skip, FrameFn);
ZEP_SLOT_SIGNATURE(swap, SwapFn);
ZEP_SLOT_SIGNATURE(tail, PositionFn);
ZEP_SLOT_SIGNATURE(is_tail, PositionFn);
ZEP_SLOT_SIGNATURE(take, TakeFn);
ZEP_SLOT_SIGNATURE(trim, TrimFn);
ZEP_SLOT_SIGNATURE(create, PortFn);
ZEP_SLOT_SIGNATURE(close, PortFn);
ZEP_SLOT_SIGNATURE(delete_, PortFn);
ZEP_SLOT_SIGNATURE(modify, ModifyFn);
ZEP_SLOT_SIGNATURE(open, OpenFn);
ZEP_SLOT_SIGNATURE(is_open, PortFn);
ZEP_SLOT_SIGNATURE(query, PortFn);
ZEP_SLOT_SIGNATURE(read, ReadFn);
ZEP_SLOT_SIGNATURE(rename, RenameFn);
ZEP_SLOT_SIGNATURE(update, PortFn);
ZEP_SLOT_SIGNATURE(write, WriteFn);
#undef ZEP_SLOT_SIGNATURE

// The 62 slot words of a registration, addressed by action number:
// `slots.set<action_slot::form>(&form)` checks the operation's signature
// against the slot's.
class SlotList {
  public:
    explicit SlotList(SlotWord fill = unsupported) { words_.fill(fill); }
    template <int Slot, class Fn> SlotList& set(Fn* fn) {
        static_assert(Slot >= 1 && Slot <= action_slot::count && Slot != action_slot::empty);
        using Expected = typename SlotSignature<Slot>::type;
        static_assert(std::is_same_v<Fn*, Expected>,
                      "the operation's signature does not match the action slot");
        words_[Slot - 1] = operation(fn);
        return *this;
    }
    template <int Slot> SlotList& set(SlotWord word) {
        static_assert(Slot >= 1 && Slot <= action_slot::count);
        words_[Slot - 1] = word;
        return *this;
    }
    const SlotWord* data() const { return words_.data(); }

  private:
    std::array<SlotWord, action_slot::count> words_;
};

// The type table and the highest type id registered so far.
extern TypeRow type_table[type_rows];
uint8_t highest_type();

// Empties both tables (start-up, before any registration).
void init_tables();

// Fills the type's row of both tables: a parent's slot is copied at this
// moment for every -1 slot word. A slot count other than 62 prints the
// datatype error and ends the process with status 0.
void register_type(const Registration& record);
// register_type with a full slot list (count 65).
void register_type(uint8_t type, uint8_t parent, const char* name, const SlotList& slots);

// Makes the word of every registered type's name in the global context and
// stores it in the type table; from then on registrations make it at once.
void make_type_words();

} // namespace datatype

namespace actions {

extern ActionSlot action_table[type_rows * slots_per_row];

// The operation of a type for an action, or null when the type does not
// support it (or the type id has no row).
inline ActionSlot slot_of(uint32_t type, uint32_t slot) {
    if (type >= type_rows || slot - 1 >= action_slot::count) return nullptr;
    return action_table[type * slots_per_row + slot - 1];
}
template <class Fn> Fn slot_as(uint32_t type, uint32_t slot) {
    return reinterpret_cast<Fn>(slot_of(type, slot));
}

// Compares through the compare slot of a's type: -1, 0, 1, or -2 when the
// values are not comparable or the type has no compare slot.
int compare_values(const Cell* a, const Cell* b, int code);

} // namespace actions

} // namespace zep
