// Helpers shared by the control natives (natives_control*.cpp,
// natives_loops*.cpp): argument access, the type checks of the check flag,
// truth tests, frame names, and receiving non-local exits.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "evaluator/call.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/cell.h"

namespace zep::natives::control {

// The n-th argument of the current call.
inline Cell* arg(int32_t n) {
    return stack::base() + n;
}
// The argument of a refinement (its position), or null when it is absent.
inline Cell* refinement_arg(const int32_t* refinements, int n) {
    return refinements && refinements[n] >= 0 ? stack::base() + refinements[n] : nullptr;
}
inline bool has_refinement(const int32_t* refinements, int n) {
    return refinements && refinements[n] >= 0;
}

// A set of type ids as a bit mask (ids 0-63).
using TypeMask = uint64_t;
constexpr TypeMask mask_of(std::initializer_list<uint8_t> types) {
    TypeMask m = 0;
    for (uint8_t t : types) m |= TypeMask{1} << t;
    return m;
}
constexpr TypeMask any_type = ~TypeMask{0};
// series! as the loop natives accept it.
extern const TypeMask series_types;
extern const TypeMask block_types;
extern const TypeMask function_types;
inline bool in_mask(TypeMask mask, uint8_t type) {
    return type < 64 && ((mask >> type) & 1) != 0;
}

// The check flag's test of one argument: script expect-arg naming the
// native, the value's datatype and the argument when the type is not
// allowed. A null argument (an absent refinement's) passes.
void expect(const char* native, const Cell* argument, TypeMask allowed, const char* name);

// Truth where unset! counts as true: only none! and a false logic! are false.
inline bool is_truthy(const Cell* value) {
    uint8_t type = cell_type(value);
    if (type == type_id::none) return false;
    if (type == type_id::logic) return value->data1 != 0;
    return true;
}
// Raises script no-return: a condition evaluated to unset!.
[[noreturn]] void fire_no_return();
// Truth of a condition that a block evaluation produced: unset! raises
// script no-return.
inline bool is_true_checked(const Cell* value) {
    if (cell_type(value) == type_id::unset) fire_no_return();
    return is_truthy(value);
}

// A word naming the current call: the top frame's name (<anon> without one).
Cell current_name();
// A word of the global context for a name.
Cell global_word(const char* name);

// The cell index just past a block value's last cell, and its head clamped
// to 0..tail.
int32_t tail_index(const Cell* block);
int32_t head_index(const Cell* block);

// Float counts of the loops: a float! is truncated to integer! in place;
// NaN or a value outside the integer! range raises script out-of-range.
void truncate_count(Cell* cell);

// --- Non-local exits ---------------------------------------------------------------
//
// An exit reaches a receiver in one of two ways (evaluator/call.h): thrown
// (a catch_::Unwind after the thrower unrolled the stacks so that the
// receiving frame is the top frame, its result slot holding the value), or
// pending (interp::pending_exit set; every frame was unwound normally by its
// owner and the value is in interp::pending_value).

struct Exit {
    uint32_t code = 0;   // 0: the evaluation completed
    bool thrown = false; // false: pending
};

// Runs the evaluation under a catch record of the threshold; answers the
// exit that arrived, thrown or pending.
template <class Body> inline Exit receive(uint32_t threshold, Body&& body) {
    uint32_t code = catch_::receive(threshold, std::forward<Body>(body));
    if (code) {
        interp::clear_pending_exit();
        return {code, true};
    }
    return {interp::pending_exit, false};
}

// Lets a thrown exit that this receiver does not take go on outward (the
// stacks are already unrolled to its receiver).
[[noreturn]] inline void pass_on(uint32_t code) {
    catch_::throw_code(code);
}

// Takes a received exit: clears the code and, for a break or continue, puts
// its value (unset for continue) into the result slot when it is pending (a
// thrown one is there already).
void take_exit(const Exit& exit);

// Promises the interpreter that this native tests for pending exits after
// every evaluation it starts (only when the interpreter called it: a
// compiled or C++ caller does not test).
inline void poll_exits(bool check) {
    if (!check) interp::set_polls_exit();
}

} // namespace zep::natives::control
