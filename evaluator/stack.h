// The argument stack and the frame stack on which every evaluation runs.
//
// The argument stack is a block of 20,000 cells: calls push their arguments
// and leave their result in the first cell of their frame (the arguments
// base). The frame stack is a block of 12,000 five-word records saying which
// call, loop, try, catch or block evaluation each stretch of the argument
// stack belongs to. Both blocks are static series that never move, so these
// globals hold raw pointers into them; positions written into frame records
// are cell indexes from the argument stack's first cell.
//
// Non-local exits (errors, break/continue, return/exit, throw) first unroll
// the frame stack to the frame that receives them, then throw a
// catch_::Unwind with their code; receivers catch it with catch_::receive.
#pragma once
#include <cstdint>

#include "runtime/arena.h"
#include "runtime/catch.h"
#include "runtime/cell.h"
#include "runtime/value_make.h"

namespace zep::stack {

constexpr uint32_t argument_cells = 20000;
constexpr uint32_t frame_block_cells = 15000;
constexpr uint32_t frame_records = frame_block_cells * 16 / 20; // 12,000
// Cells given up when a stack overflows, so the error can be built.
constexpr uint32_t overflow_slack = 5;

// One frame record: five 32-bit words.
struct Frame {
    uint32_t header;       // name symbol bits 8-23, type bits 24-27, flags 28 and 31
    uint32_t saved_base;   // the enclosing frame's arguments base (cell index)
    Ref word_context;      // context node of the naming word (block node for `self`)
    Ref function_context;  // function frames: the called function's context node
    uint32_t saved_values; // function frames: that context's values word when marked
};
static_assert(sizeof(Frame) == 20);

namespace frame_type {
enum : uint8_t {
    function = 1,
    native = 2,
    try_ = 4,
    barrier = 5,
    catch_ = 6,
    eval = 7,
    loop = 8,
};
} // namespace frame_type

// Header bits and the headers the mark operations write.
namespace frame_header {
constexpr uint32_t return_target = 1u << 28;
constexpr uint32_t interpreted = 1u << 31;
constexpr uint32_t function = 0x1000000;
constexpr uint32_t interp_function = 0x81000000;
constexpr uint32_t native = 0x2000000;
constexpr uint32_t interp_native = 0x82000000;
constexpr uint32_t try_ = 0x4000000;
constexpr uint32_t barrier = 0x5000000;
constexpr uint32_t catch_ = 0x6000000;
constexpr uint32_t eval = 0x87000000;
constexpr uint32_t loop = 0x8000000;
} // namespace frame_header

inline uint8_t type_of(const Frame* f) {
    return static_cast<uint8_t>((f->header >> 24) & 0xF);
}
inline uint32_t symbol_of(const Frame* f) {
    return (f->header >> 8) & 0xFFFF;
}
inline bool is_return_target(const Frame* f) {
    return (f->header & frame_header::return_target) != 0;
}

// The argument stack: begin <= base <= top < end.
struct ArgumentStack {
    Cell* begin = nullptr;
    Cell* end = nullptr;
    Cell* top = nullptr;  // first free cell
    Cell* base = nullptr; // the current frame's result slot / first argument
};
// The frame stack: begin <= top <= end.
struct FrameStack {
    Frame* begin = nullptr;
    Frame* end = nullptr;
    Frame* top = nullptr; // first free record
};
extern ArgumentStack arguments;
extern FrameStack frames;
// The nodes of the two backing blocks (start-up keeps them in the root block).
extern Ref argument_block;
extern Ref frame_block;
// The frame at which the last `throw` started (0 when unset); get_caller
// reads and clears it.
extern Frame* throw_origin;
// Symbols of the anonymous frame names <body> and <anon>, cached by init.
extern uint32_t body_symbol;
extern uint32_t anon_symbol;

// Positions on the argument stack as stored in records and contexts.
inline uint32_t index_of(const Cell* cell) {
    return static_cast<uint32_t>(cell - arguments.begin);
}
inline Cell* cell_at(uint32_t index) {
    return arguments.begin + index;
}

// Makes the two backing blocks (static series); start-up keeps them in the
// root block.
void make_blocks();
// Sets every pointer to the bottom of the backing blocks (making them first
// when make_blocks has not run); caches the anonymous frame names from the
// runtime word table.
void init();
// Forgets the backing blocks (their memory goes with memory::free_all).
void forget_blocks();

// --- Argument stack -----------------------------------------------------------

// Raises internal stack-overflow after emptying the cycle stack. When the
// argument stack is the full one, its top is first lowered by
// overflow_slack cells, but never below the current frame's base: the
// cells below it belong to calls still running.
[[noreturn]] void overflow();

// Raises the top over the cell just above it and answers that cell, its
// content left as it is: for a cell that already holds a value (an infix
// left operand, a value being reported).
inline Cell* cover_slot() {
    Cell* cell = arguments.top;
    if (cell + 1 >= arguments.end) overflow();
    arguments.top = cell + 1;
    return cell;
}
// Reserves the cell at the top, holding unset!, and answers it. Whatever
// the cell held before is gone: the collector scans the stack up to its
// top, so a caller that allocates or raises before writing the cell must
// not leave it naming a series that is no longer there.
inline Cell* push_slot() {
    Cell* cell = cover_slot();
    *cell = Cell{type_id::unset, 0, 0, 0};
    return cell;
}
// Pushes a copy of the value; answers the new cell.
inline Cell* push(const Cell* value) {
    Cell copy = *value; // the value may lie in the cell being reused
    Cell* cell = cover_slot();
    *cell = copy;
    return cell;
}
inline void pop(uint32_t count) {
    arguments.top = static_cast<uint32_t>(arguments.top - arguments.begin) > count
                        ? arguments.top - count
                        : arguments.begin;
}
inline Cell* base() {
    return arguments.base;
}
// Drops everything of the current frame, its result slot included.
inline Cell* reset() {
    arguments.top = arguments.base;
    return arguments.base;
}
// Keeps only the current frame's result slot.
inline Cell* keep_first() {
    arguments.top = arguments.base + 1;
    return arguments.base;
}
// Copies the value into the current result slot.
inline Cell* set_last(const Cell* value) {
    *arguments.base = *value;
    return arguments.base;
}
// Keeps only the result slot and copies the value into it.
inline void set_result_only(const Cell* value) {
    Cell copy = *value;
    arguments.top = arguments.base + 1;
    *arguments.base = copy;
}
// When the last pushed cell is an error!, makes it the result; then keeps
// only the result slot.
void reset_keep_error();
// The last pushed cell, or begin when the stack is empty.
inline Cell* top() {
    return arguments.top > arguments.begin ? arguments.top - 1 : arguments.begin;
}
inline uint8_t top_type() {
    return cell_type(top());
}

// --- Marking frames -------------------------------------------------------------

// Pushes a record with the name bits (a symbol in bits 8-23), the naming
// word's context and the given header bits; the new base is the current
// top. Raises stack-overflow when the frame stack is full, or when fewer
// than overflow_slack argument cells are left above the new base (the room
// the error is built in).
inline void mark_frame_with(uint32_t name_bits, Ref word_context, uint32_t header) {
    Frame* f = frames.top;
    if (f >= frames.end || arguments.top + overflow_slack >= arguments.end) overflow();
    f->header = name_bits | header;
    f->saved_base = index_of(arguments.base);
    f->word_context = word_context;
    f->function_context = 0;
    f->saved_values = 0;
    frames.top = f + 1;
    arguments.base = arguments.top;
}
// A record named by the word. Marking is inline: every call, block and loop
// marks a frame.
inline void mark_frame(const Cell* word, uint32_t header) {
    // Only 16 bits of the symbol fit; a larger id must not spill into the type.
    mark_frame_with((value::word_symbol(word) & 0xFFFF) << 8, value::word_context(word), header);
}
// A record named as the frame `named` is (an earlier record, which stays in
// place).
inline void mark_frame_named_as(const Frame* named, uint32_t header) {
    mark_frame_with(named->header & 0xFFFF00u, named->word_context, header);
}
// A function frame that saves the function context's values word.
void mark_func(const Cell* word, Ref function_context);
inline void mark_native(const Cell* word) {
    mark_frame(word, frame_header::native);
}
void mark_try(const Cell* word);
void mark_barrier(const Cell* word);
void mark_catch(const Cell* word);
inline void mark_loop(const Cell* word) {
    mark_frame(word, frame_header::loop);
}
inline void mark_eval(const Cell* word) {
    mark_frame(word, frame_header::eval);
}
inline void mark_interp_native(const Cell* word) {
    mark_frame(word, frame_header::interp_native);
}
inline void mark_interp_func(const Cell* word) {
    mark_frame(word, frame_header::interp_function);
}

// Sets (non-zero) or clears the return-target bit of the top frame.
void set_flag(uint32_t flag);
// Sets the interpreted bit of the top frame.
void set_top_bit();
// Gives the frame below the top the return-target bit; answers it, or null
// when it already had the bit.
Frame* mark_return_target();
void clear_return_target(Frame* frame);
void set_frame_top(Frame* frame);
// The top record (the one below the first free record), or null when empty.
inline Frame* top_frame() {
    return frames.top > frames.begin ? frames.top - 1 : nullptr;
}
// Walks down from the frame below `start` (null: from the top record): true
// at the first record with the interpreted bit. With only_one set only the
// first record is tested.
bool is_interpreted(const Frame* start, bool only_one);

// --- Popping frames -------------------------------------------------------------

// The frame's result stays as the caller's last pushed cell.
namespace detail {
// Pops the top record; answers it, or null (with the argument stack emptied)
// when there is none, so that an unmatched unwind cannot leave the stacks.
inline Frame* pop_record() {
    if (frames.top == frames.begin) {
        arguments.base = arguments.top = arguments.begin;
        return nullptr;
    }
    return --frames.top;
}
inline void keep_result(const Frame* f) {
    arguments.top = arguments.base + 1;
    arguments.base = cell_at(f->saved_base);
}
} // namespace detail
inline void unwind() {
    if (Frame* f = detail::pop_record()) detail::keep_result(f);
}
// As unwind, then the result is copied into the caller's result slot.
inline void unwind_last() {
    if (Frame* f = detail::pop_record()) {
        Cell* result = arguments.base;
        detail::keep_result(f);
        *arguments.base = *result;
    }
}
// Drops the frame's cells, result included.
void unwind_drop();
// The same three, restoring the function context's values word.
void unwind_func();
void unwind_func_last();
void unwind_func_drop();
// Drops the frame's cells (restoring type-1 frames); at the bottom the
// argument stack is emptied.
void unwind_to();

// --- Unrolling and non-local exits ------------------------------------------------

// Pops records up to and including the first of the given type (or a
// barrier, or the bottom), restoring function contexts on the way; the last
// popped record is put back. Answers that record (null when none was popped).
Frame* unroll(uint8_t type, bool keep);
// unroll without keep, then the innermost result slot becomes the received
// frame's result and its only cell.
Frame* unroll_last(uint8_t type);
Frame* unroll_loop(bool keep);

// Carries an error to the nearest try or barrier frame, or prints it and ends
// the process with status -2 when none can receive it.
[[noreturn]] void throw_error(const Cell* error);
// break (is_continue false) or continue to the nearest loop frame; with
// keep_value the base cell (break/return's value) becomes the loop's result.
[[noreturn]] void throw_break(bool keep_value, bool is_continue);
// return (is_return true, the base cell is the value) or exit to the nearest
// return target.
[[noreturn]] void throw_exit(bool is_return);
// A thrown value (base cell, its name at base + 1) to the nearest catch frame.
[[noreturn]] void throw_(uint32_t code);

// --- Queries ----------------------------------------------------------------------

// Writes the word of the calling function: the innermost non-anonymous frame
// from the throw origin (or the top); the word <not-found> when none.
void get_caller(Cell* out);
// A run of frame records, from the bottom record up.
struct TraceSpan {
    const Frame* begin;
    const Frame* end;
};
// The live records, from the bottom up to the frame top.
TraceSpan live_span();
// The records that an error's frame position counts. Unwinding pops them,
// and later calls write over them, so throwing an error keeps a copy of the
// records it leaves: for the error thrown last, that copy; for any other
// value, the live records.
TraceSpan trace_span(const Cell* error);
// Keeps the copy of the records for the error (whose stack field holds the
// frame top); the copy of an earlier error is dropped.
void record_thrown(const Cell* error);
// Drops that copy (start-up).
void forget_thrown();
// Appends the names of the non-anonymous records of the span whose name's
// value is a function (every name when level > 1).
void trace_words(int32_t level, Cell* block, TraceSpan span);
// Forms the same names of the span, from its bottom up to the frame position
// held in the stack field, into the output string, one space after each;
// answers the remaining character limit.
int32_t trace_positions(int32_t level, const Cell* stack_field, Cell* output, int32_t limit,
                        TraceSpan span);
// Appends, for each frame from the top down to (excluding) the bottom record,
// its name word and its saved base as a cell index.
void collect_trace(Cell* block);
// The collector's hook: marks each record's word context (as a block when
// the name is `self`), function context and, unless that context keeps its
// values on this stack, the saved values series; then the word contexts of
// the records kept for the error thrown last, and that error. Each gets the
// address of the record's field, which it rewrites when the node moved.
using MarkFn = void (*)(Ref* node);
void mark_gc(MarkFn mark_block, MarkFn mark_context);
// The part of mark_gc for the records kept for the error thrown last.
void mark_thrown(MarkFn mark_block, MarkFn mark_context);

} // namespace zep::stack
