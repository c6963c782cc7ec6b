// The text, encoding and system natives: printing, memory figures and
// collection, text codecs, case change, local file names, waiting,
// checksums, the environment, the clock, child processes, browsing,
// compression and transcoding. Each is a native entry (evaluator/natives.h):
// arguments at the arguments base, refinements as argument positions (-1
// when absent), the result in the base cell.
#pragma once
#include <cstdint>

namespace zep::natives {

// 1 when the last print or prin ended with a new line (print), 0 after prin.
extern int32_t last_new_line;

// print and prin: reduce a block into the print scratch block, form the
// value and hand the text to the value-level output hooks.
void print(bool check, const int32_t* refinements);
void prin(bool check, const int32_t* refinements);
// Refinements: /show, /info.
void stats(bool check, const int32_t* refinements);
// Refinements: /on, /off.
void recycle(bool check, const int32_t* refinements);

void dehex(bool check, const int32_t* refinements);
void enhex(bool check, const int32_t* refinements);
// Refinements: /base.
void debase(bool check, const int32_t* refinements);
void enbase(bool check, const int32_t* refinements);
// Refinements: /part.
void uppercase(bool check, const int32_t* refinements);
void lowercase(bool check, const int32_t* refinements);
// Refinements: /full.
void to_local_file(bool check, const int32_t* refinements);
// Refinements: /next, /one, /prescan, /scan, /part, /into, /trace.
void transcode(bool check, const int32_t* refinements);
// Calls a transcode/trace callback for the lexer (installed as the lexer's
// callback runner by register_system).
bool run_lexer_callback(const Cell* callback, const Cell* event_word, Cell* input, const Cell* type,
                        const Cell* line, const Cell* token);

// Refinements: /with.
void checksum(bool check, const int32_t* refinements);
void compress(bool check, const int32_t* refinements);
// Refinements: /size.
void decompress(bool check, const int32_t* refinements);

// Refinements: /all.
void wait(bool check, const int32_t* refinements);
void set_env(bool check, const int32_t* refinements);
void get_env(bool check, const int32_t* refinements);
void list_env(bool check, const int32_t* refinements);
// Refinements: /year /month /day /time /zone /date /weekday /yearday
// /precise /utc.
void now(bool check, const int32_t* refinements);
// Refinements: /wait /show /console /shell /input /output /error.
void call(bool check, const int32_t* refinements);
void is_size(bool check, const int32_t* refinements);
void browse(bool check, const int32_t* refinements);

} // namespace zep::natives
