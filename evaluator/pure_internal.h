// The compiled form of functions that only compute with integers
// (evaluator/pure_functions.h): a tree of nodes per function, with what it
// was made from, shared by the compiler (pure_compile.cpp) and the runner
// (pure_functions.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "runtime/cell.h"

namespace zep::interp::pure {

// The types the compiled form computes with: constants and the values it
// takes from arguments and conditions (anything else needs the general
// evaluation).
inline bool is_plain_value(uint8_t type) {
    return type == type_id::integer || type == type_id::logic || type == type_id::none;
}

// Written global words a program may have: their values are saved before
// a run and put back when it gives up.
constexpr size_t max_written_words = 16;

// Native stack the compiler and the runner keep free, beyond the general
// evaluator's own limit.
constexpr ptrdiff_t native_reserve = ptrdiff_t{256} << 10;

enum class Kind : uint8_t {
    // Leaves: constant, argument and word.
    constant,     // value
    argument,     // the argument in slot index
    operate,      // children: left, right; the operator's wrapped type and entry index
    either,       // children: condition, then-block, else-block
    if_,          // children: condition, block
    unless,       // children: condition, block
    call,         // children: the arguments; index: the function's number
    sequence,     // children: the expressions of a block or paren (value: the last)
    word,         // the value of the written global word number index, read live
    assign,       // children: the value; index: the written word's number, or the
                  // argument's slot when to_argument
    loop,         // children: count, body
    repeat,       // children: count, body; index: the counter's word number, or
                  // the argument's slot when to_argument
    return_,      // children: the value, which leaves the function
    while_,       // children: condition, body
    integer_test, // children: the argument; wrapped, index: the test's type and entry
    break_,       // leaves the loop its code is in
    continue_,    // goes on with the next pass of the loop its code is in
};

inline bool is_leaf(Kind kind) {
    return kind == Kind::constant || kind == Kind::argument || kind == Kind::word;
}

struct Node {
    Kind kind = Kind::constant;
    uint8_t wrapped = 0;        // operate: action! or native!
    bool to_argument = false;   // assign, repeat: the target is an argument
    bool returns = false;       // a return in it may leave the function
    bool breaks = false;        // a break or continue in it may leave the loop
    bool leaf_operands = false; // operate: both children are leaves (read in place)
    int32_t index = 0;  // argument: slot; operate, integer_test: entry index; call: function number
    int32_t word = -1;  // constant: the global word it is the value of, if any
    uint32_t first = 0; // the first child's place in Program::children
    uint32_t count = 0; // the number of children
    Cell value{};       // constant
};

// A function of the program: its value, its body's node and the typesets
// of its arguments (from Program::types at types).
struct Function {
    Cell value{};
    Cell body{}; // the body cell of its more block, as compiled
    int32_t arity = 0;
    uint32_t types = 0;
    uint32_t node = 0;
};

// A block or paren the nodes were made from: its node and head, and its
// cells from the head up to the tail (from Program::cells at first).
struct Source {
    Ref node = 0;
    int32_t head = 0;
    uint32_t first = 0;
    uint32_t count = 0;
};

struct Program {
    // The node run: the first function's body, or a loop's.
    uint32_t root = 0;
    // A loop's count: a constant node given its value on each run (-1 when
    // the program is a function's).
    int32_t count_node = -1;
    std::vector<Node> nodes;
    std::vector<uint32_t> children;
    std::vector<Function> functions; // the first is the one compiled for
    std::vector<Cell> types;
    std::vector<Source> sources;
    std::vector<Cell> cells;
    // Global words named (as they stand in the code) and their values. A
    // written word (assigned or a repeat counter) has no fixed value: it is
    // read live, and its slot is found again on each call from outside.
    std::vector<Cell> words;
    std::vector<Cell> values;
    std::vector<uint8_t> written;
    std::vector<uint32_t> written_words; // their numbers
    std::vector<Cell*> slots;            // by word number: written ones', for the current run
    bool writes_arguments = false;
    // Upper bounds of what one activation of any of the functions takes of
    // the general evaluator's frame records, argument cells and native stack
    // bytes while a call in it runs.
    uint32_t frames_per_level = 1;
    uint32_t cells_per_level = 1;
    uint32_t native_per_level = 1;
};

// What compile found.
enum class Verdict {
    compiled, // *out holds the program
    refused,  // the function does not qualify
    later,    // it may qualify once something it names has been called
};

// Compiles the function! (a stable cell) and every function it calls.
// Allocates nothing in the arena.
Verdict compile(const Cell* function, std::unique_ptr<Program>* out);

// A loop run by its native from general code, its arguments evaluated and
// checked: `loop` and `repeat` (count, body; repeat's counter word) or
// `while` (condition, body).
struct Loop {
    Kind kind = Kind::loop; // loop, repeat or while_
    const Cell* word = nullptr;
    const Cell* condition = nullptr;
    const Cell* body = nullptr;
};

// Compiles the loop and every function it calls; its count node holds no
// value yet. A later verdict for want of a call spec not built yet puts the
// function-like value in *wanted. Allocates nothing in the arena.
Verdict compile_loop(const Loop& loop, std::unique_ptr<Program>* out, std::optional<Cell>* wanted);

// Whether everything the program was made from still stands: the values
// of the global words it reads as constants, the body cells of its
// functions and the cells of its blocks. Finds the written words' slots.
bool still_valid(Program& p);

// Runs the program's root, with the arguments given (arity of them) when
// it is a function's, checked valid. Answers true with the value in *out;
// false having changed nothing.
bool run_program(Program& p, const Cell* args, int32_t arity, Cell* out);

// A compiled form kept for what it was made from, and when to try again.
struct Form {
    std::unique_ptr<Program> program; // null: none (see retry)
    // Runs until compiling is tried again, for code that may qualify once
    // something it names has been called, and the wait after that attempt
    // (doubled at each one).
    uint32_t retry = 0;
    uint32_t retry_wait = 0;
    uint32_t runs = 0;
    uint32_t gave_up = 0;
};

// Keeps what a compile found: the program, or when to try again (same:
// the form was for the same code before).
void learn_form(Form* f, bool same, Verdict verdict, std::unique_ptr<Program> program);

// Counts a run that gave up; a form that gives up more often than it runs
// (and more than a few times) is dropped, and true answered.
bool gives_up_too_often(Form* f);

} // namespace zep::interp::pure
