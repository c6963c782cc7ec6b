// What the lexer's own files share: the output buffer, the quiet end of a
// transcode, source positions and the scan loop's entry.
#pragma once
#include <cstdint>
#include <vector>

#include "runtime/limits.h"
#include "services/lexer.h"

namespace zep::lexer {

// The output buffer shared by nested transcodes; cells outside managed
// memory, marked through mark_active while a transcode runs.
extern std::vector<Cell> output;

// Thrown when a syntax error is not raised (a callback answered false to the
// error event, or a scan mode met invalid input); the transcode receives it.
struct QuietEnd {};
// Thrown when a callback answered false to an error event after moving the
// input position: scanning goes on from there.
struct Resume {};

// Position of a byte in the source as the callback sees it: bytes, or
// characters for a string! source, counted from the start of the input.
uint32_t source_offset(State& s, const uint8_t* p);
// The byte at a source offset (clamped to the input).
const uint8_t* byte_at_offset(State& s, uint32_t offset);

// Runs the scan loop over the state's input until it ends or, in the
// one-value and scan modes, the first value is complete. Answers the
// datatype recognised (scan modes) or 0.
int32_t scan(State& s);

// After a quiet end: the series still open hold what was loaded into them
// (a map whose content is not a map's is dropped), so that the values keep
// their nesting.
void close_open_series(State& s);

// Datatype given to events and errors for a token class without one.
uint8_t structural_type(const State& s, uint8_t token_class);

} // namespace zep::lexer
