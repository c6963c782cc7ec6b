// Interpreter initialisation: brings every module up in the order the
// runtime depends on, with the collector off. Each step needs only the steps
// before it.
#pragma once

namespace zep::boot {

// Nodes in the first node frame.
constexpr unsigned first_node_frame_nodes = 10000;
// Names the symbol block is first made for.
constexpr unsigned first_symbol_capacity = 1000;

// The whole initialisation: output hooks and console I/O, then the runtime
// core. Runs under the outermost catch record.
void init_interpreter();

// The runtime core alone, from the memory manager to the raise entry: the
// type and action tables, the datatype registrations, the action entries,
// the first frames, the root block (argument stack, frame stack and symbol
// blocks inside it), the global context, case tables, symbol table, type
// words, the runtime, refinement and internal words, the natives table, the
// owner table, the stacks, the cycle stack, the lexer, the interpreter's
// state, the slot registry and the raise that builds error values.
void init_core();

// Forgets every root and cached node that init_core made, so that the core
// can be made again after memory::free_all (tests do this between cases).
void forget_core();

} // namespace zep::boot
