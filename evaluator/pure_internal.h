// The compiled form of functions that only compute with integers
// (evaluator/pure_functions.h): a tree of nodes per function, with what it
// was made from, shared by the compiler (pure_compile.cpp) and the runner
// (pure_functions.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
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
    constant, // value
    argument, // the argument in slot index
    operate,  // children: left, right; the operator's wrapped type and entry index
    either,   // children: condition, then-block, else-block
    if_,      // children: condition, block
    unless,   // children: condition, block
    call,     // children: the arguments; index: the function's number
    sequence, // children: the expressions of a block or paren (value: the last)
    word,     // the value of the written global word number index, read live
    assign,   // children: the value; index: the written word's number, or the
              // argument's slot when to_argument
    loop,     // children: count, body
    repeat,   // children: count, body; index: the counter's word number, or
              // the argument's slot when to_argument
    return_,  // children: the value, which leaves the function
};

inline bool is_leaf(Kind kind) {
    return kind == Kind::constant || kind == Kind::argument || kind == Kind::word;
}

struct Node {
    Kind kind = Kind::constant;
    uint8_t wrapped = 0;        // operate: action! or native!
    bool to_argument = false;   // assign, repeat: the target is an argument
    bool returns = false;       // a return in it may leave the function
    bool leaf_operands = false; // operate: both children are leaves (read in place)
    int32_t index = 0;          // argument: slot; operate: entry index; call: function number
    int32_t word = -1;          // constant: the global word it is the value of, if any
    uint32_t first = 0;         // the first child's place in Program::children
    uint32_t count = 0;         // the number of children
    Cell value{};               // constant
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

} // namespace zep::interp::pure
