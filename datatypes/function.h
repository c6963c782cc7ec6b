// function!: a function written in the language. Its cell: header 24 plus
// the spec attribute flags, data1 the context node (kind function, values
// on the argument stack while a call runs), data2 the spec block node, data3
// the node of its five-cell more block. The context holds, in spec order,
// every argument word, every refinement and every word after a refinement
// (the /local words included); its owner cell holds the function value.
//
// Also here: the spec grammar (check_spec), local collection for the
// `function` native, the /local slot helpers and the constructor that
// make, the function makers and start-up use.
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/memory.h"

namespace zep::function {

// Header flags of a function! cell (from the spec's attribute block).
namespace flag {
constexpr uint32_t no_trace = 0x200;
constexpr uint32_t trace = 0x400;
constexpr uint32_t attributes = no_trace | trace;
} // namespace flag

// The cells of the more block of a function! or routine! (an op! of either
// shares its wrapped value's more block).
namespace more {
enum : int32_t {
    body = 0,      // the body block (a deep copy) or none!
    call_spec = 1, // unset! until the first call caches the call spec block
    code = 2,      // a routine!'s integer! code index; unset! for a function!
    wrapped = 3,   // an op! made from this value: that value; else unset!
    second = 4,    // integer! given by the creator, or unset!
};
constexpr int32_t cells = 5;
} // namespace more

// The parts of a function! or routine! (or of an op! wrapping one).
inline Ref context_of(const Cell* value) {
    return value->data1;
}
inline Ref spec_of(const Cell* value) {
    return value->data2;
}
inline Ref more_of(const Cell* value) {
    return value->data3;
}
// The more block's cell at index (valid until the next allocation).
inline Cell* more_cell(const Cell* value, int32_t index) {
    return node_cells(more_of(value)) + index;
}

// Pushes a new function! built from the spec block and the body block (or
// null / none!). context 0 makes a context from the spec's words and binds
// a deep copy of the body to it; the code cell is left unset!; second
// (null or none!: unset!) must be an integer!. The spec cell and body cell
// may point into series buffers: they are copied first.
Cell* push(const Cell* spec, const Cell* body, Ref context, const Cell* second, uint32_t flags);

// Checks the spec grammar: answers the attribute flags (0, no_trace, trace
// or both) or raises script bad-func-def, dup-vars, invalid-type-spec or
// no-value.
uint32_t check_spec(const Cell* spec);

// The `function` native's local collection: edits the spec block in place
// (cutting it at /extern, appending /local and the collected set-words) and
// writes the block of collected locals into out.
void collect_locals(Cell* spec, const Cell* body, Cell* out);

// Stack slots of the spec's /local section from cell index start: 1 for
// /local plus 1 per word! after it; -1 when /local is absent and required,
// else 0.
int32_t count_locals(Ref spec, int32_t start, bool required);
// Pushes false (the /local flag) and n - 1 none! cells.
void init_locals(int32_t n);

// The word of the n-th argument (0-based over word!, lit-word!, get-word!
// and refinement! cells of the spec) of the function-like value that called
// the current native or action, written into out; the word <anon> when the
// caller is not a function-like value or has fewer arguments.
Cell* arg_word_at(int32_t n, Cell* out);

// make function! [spec body].
Cell* make(Cell* result, const Cell* spec, uint8_t type);
Cell* reflect(Cell* value, const Cell* field);
int32_t form(const Cell* value, Cell* out_string, int32_t part_limit);
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
int compare(const Cell* a, const Cell* b, int code);

// Registers function! (type 24, parent context!).
void init();

} // namespace zep::function
