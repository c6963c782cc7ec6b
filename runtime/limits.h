// Limits shared by the lexer and the walkers over nested values.
#pragma once
#include <cstdint>

namespace zep {

// The deepest nesting of series (blocks, parens, paths, maps, objects) below
// a value. The lexer refuses text that opens more series inside one another
// than this, and every walker over nested values (mold, form, copy/deep,
// comparison, bind, conversion to bytes) raises internal too-deep when it
// would enter a series this many levels below the one it started from. So
// whatever the lexer loads, including the block it loads into, can be
// molded, copied and compared. Each level costs the walkers a few native
// frames; the interpreter's thread has room for far more.
constexpr uint32_t max_nesting = 4096;

} // namespace zep
