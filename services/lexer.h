// The lexer: turns UTF-8 source text into values.
//
// Every input byte maps to one of 40 character classes; a state machine over
// those classes finds the end of the next token and its token class; the
// class selects a scanner (structure: blocks, parens, strings, paths,
// comments, errors) and a loader (builds the value cell). Loaders live in
// their own module and register into `loaders` through `register_loaders`.
//
// Input bytes never live in managed memory while they are scanned: text from
// a series is first copied into a buffer of the transcode call, so loaders may
// allocate freely while they hold `start` and `end`.
#pragma once
#include <cstdint>
#include <vector>

#include "runtime/cell.h"

namespace zep::lexer {

// ---- Character classes and token flags --------------------------------------

constexpr uint32_t class_count = 40;
// The class fed for the end of input (also the class of a NUL byte).
constexpr uint8_t class_end = 39;

// Token flag bits of the class entries, ORed over all bytes of a token.
namespace flag {
constexpr uint32_t percent = 1u << 18;  // %
constexpr uint32_t greater = 1u << 19;  // >
constexpr uint32_t less = 1u << 20;     // <
constexpr uint32_t sign = 1u << 21;     // + and -
constexpr uint32_t nul = 1u << 22;      // NUL
constexpr uint32_t hash = 1u << 23;     // #
constexpr uint32_t exponent = 1u << 24; // e and E
constexpr uint32_t quote = 1u << 25;    // '
constexpr uint32_t colon = 1u << 26;    // :
constexpr uint32_t comma = 1u << 27;    // ,
constexpr uint32_t point = 1u << 28;    // .
constexpr uint32_t caret = 1u << 29;    // ^
constexpr uint32_t wide2 = 1u << 30;    // UTF-8 lead bytes of 2- and 3-byte sequences
constexpr uint32_t wide4 = 1u << 31;    // UTF-8 lead bytes of 4-byte sequences
constexpr uint32_t mask = 0xFFFFFF00u;  // all flag bits of a class entry
} // namespace flag

// The 256-entry class table: class in the low 8 bits, token flags above.
extern const uint32_t* const class_table;

// ---- Token classes ------------------------------------------------------------

// A final state of the machine is the token class + 66.
constexpr uint8_t first_final_state = 66;

namespace token {
enum : uint8_t {
    eof = 0,
    error,
    block_open,  // [
    block_close, // ]
    paren_open,  // (
    paren_close, // )
    brace_open,  // {
    brace_close, // }
    map_open,    // #[
    path,        // word followed by /
    construct,   // #( ... )
    comment,     // ;
    comma,       // ,
    string,      // "..."
    word,
    issue,
    integer,
    refinement,
    char_,
    file,
    binary,
    percent,
    float_,
    float_special, // 1.#NaN, 1.#INF
    tuple,
    date,
    pair,
    point,
    time,
    money,
    tag,
    url,
    email,
    hex,
    raw_string,
    ref,
    count
};
} // namespace token

// ---- Trace events ---------------------------------------------------------------

enum class Event : uint8_t { prescan, scan, load, open, close, error };
// Event bits of a callback's mask: prescan 1, scan 2, load 4, open 8,
// close 16, error 32.
constexpr uint32_t event_bit(Event e) {
    return 1u << static_cast<uint32_t>(e);
}
constexpr uint32_t all_events = 0x3F;

// The callback seam: calls the trace callback (a function! or routine!
// value) with the five event arguments and answers its result as a logic
// value. `input` is written back with the callback's input argument as it
// left it, so that a callback can move the position. The evaluator installs
// it; without it a callback is never called.
using CallbackRunner = bool (*)(const Cell* callback, const Cell* event_word, Cell* input,
                                const Cell* type, const Cell* line, const Cell* token);
extern CallbackRunner run_callback;

// ---- Lexer state ------------------------------------------------------------------

// Load modes.
enum class Mode : uint8_t {
    whole,   // every value of the input
    one,     // the first value only (the next-value modes)
    scan,    // recognise the next token, build nothing
    prescan, // like scan, running only the structural scanners
};

// An open series: block, paren, map, path or point literal.
struct Marker {
    uint8_t kind;          // token class that opened it (block_open, paren_open,
                           // map_open, path, point) or a path type for paths
    uint8_t path_type;     // path!, lit-path! or get-path! for paths
    uint32_t output_index; // where its values start in the output buffer
    uint32_t position;     // byte offset of the opener
    uint32_t line;         // line of the opener
    bool new_line;         // the opener was the first token on its line
};

struct State {
    State* parent = nullptr; // enclosing active state

    // Input: stable bytes, outside managed memory.
    const uint8_t* input_start = nullptr;
    const uint8_t* input_end = nullptr;
    const uint8_t* position = nullptr; // where the next token starts
    const uint8_t* token_start = nullptr;
    const uint8_t* token_end = nullptr;

    uint32_t line = 1;          // 1-based, after the last consumed byte
    uint32_t lines_spanned = 0; // lines the last token spanned

    uint8_t type = 0; // datatype id of the token (a loader may change it)
    uint8_t token_class = 0;
    uint8_t start_state = 0;    // 0, 4 inside a braced string, 59 after a path "/"
    uint8_t previous_state = 0; // the state before the final one
    uint8_t preset_type = 0;    // type load_string gives its string (0: string!)
    uint32_t flags = 0;         // token flag accumulator of the last token

    // New-line markers: a value that is the first on its line (a line feed
    // was skipped between the previous token and it) gets the cell's
    // new-line flag.
    bool line_pending = false; // a line feed was skipped since the last token
    bool value_line = false;   // the value being read began a line

    // Output: cell indexes into the shared output buffer.
    uint32_t output_base = 0;

    // Open series, innermost last.
    std::vector<Marker> nesting;
    uint32_t brace_depth = 0;
    const uint8_t* brace_start = nullptr; // the outermost "{"

    // Tracing.
    Cell callback{}; // function!/routine!, or none
    uint32_t event_mask = 0;
    Cell source{};                   // the input series value handed to the callback
    bool positions_in_chars = false; // the source is a string!: positions count characters
    Mode mode = Mode::whole;
    bool quiet = false; // syntax errors end the transcode instead of raising

    // Bookkeeping of the scan loop.
    uint32_t brace_flags = 0;             // token flags of every piece of the open braced string
    uint32_t values_done = 0;             // complete values at the outermost level
    uint8_t value_type = 0;               // datatype of the last complete value
    bool invalid = false;                 // the transcode ended on invalid input
    bool moved = false;                   // the last callback moved the input position
    const uint8_t* cached_byte = nullptr; // source_offset's last answer
    uint32_t cached_offset = 0;
};

// The head of the chain of active states (innermost first).
extern State* active;

// ---- Loaders ------------------------------------------------------------------------

// A loader turns the token [start, end) into one value cell. With load off
// (scan and prescan modes) it only checks the token. It leaves s.position at
// the end of the token (one past a closing quote, brace or paren where the
// token has one) and raises failures through throw_error.
using Loader = void (*)(State& s, const uint8_t* start, const uint8_t* end, uint32_t flags,
                        bool load);
// One loader per token class (null: none). Classes 7 and 13 use the string
// loader, 14 and 15 the word loader, 16 and above their own.
extern Loader loaders[token::count];

// Defined by the loader module: fills `loaders`. Called by init.
void register_loaders();

// The next output cell (set to none). Valid until the next alloc_cell or
// nested transcode; loaders take it once and fill it.
Cell* alloc_cell(State& s);

// ---- Syntax errors -------------------------------------------------------------------
// Every raise below first reports an `error` event (type error!) to a
// callback that asks for it; when the callback answers false the error is
// not raised: the transcode ends quietly at the position reached, or goes
// on from where the callback moved the input past the bad token. Either way
// they do not return to the caller.

// invalid: arg2 the datatype being read (0: error!), arg3 the token text from
// start. Inside a path element it is reported as bad-char.
[[noreturn]] void throw_error(State& s, const uint8_t* start, const uint8_t* end, uint8_t type);
// missing: arg2 the missing character ("]" or ")"; "[" or "(" for a stray
// closer), arg3 the token text from start.
[[noreturn]] void throw_missing(State& s, const uint8_t* start, char missing);
// malconstruct: arg2 the token text from start.
[[noreturn]] void throw_malconstruct(State& s, const uint8_t* start, const uint8_t* end);
// bad-char: arg2 the token text from start.
[[noreturn]] void throw_bad_char(State& s, const uint8_t* start, const uint8_t* end);

// Reports an event for [start, end) (positions handed over 1-based) with the
// given type (a datatype id, or 0 for none) and, for `load`, the value.
// Answers the callback's result (true without a callback or when the mask
// lacks the event). A callback that moved the source's position moves
// s.position to the new place.
bool fire_event(State& s, Event event, uint8_t type, const uint8_t* start, const uint8_t* end,
                const Cell* loaded = nullptr);

// True for the code points that end words and are skipped between tokens.
bool is_delimiter(uint32_t cp);

// ---- Entries -------------------------------------------------------------------------

struct Options {
    Mode mode = Mode::whole;
    const Cell* into = nullptr;       // destination block, or null for a new block
    const Cell* callback = nullptr;   // trace callback, or null
    const Cell* source = nullptr;     // input series value for the callback and positions
    uint32_t event_mask = all_events; // events the callback receives
    bool quiet = false;               // invalid input ends the transcode without an error
};

// Result of a transcode.
struct Result {
    uint32_t consumed = 0; // bytes (characters for string sources) up to the position reached
    int32_t type = 0;      // scan/prescan: datatype id of the token, 0 nothing, -1 invalid
                           // (other modes: -1 when a quiet transcode met invalid input)
    uint32_t count = 0;    // values appended
};

// The event mask of a block of event words (prescan, scan, load, open,
// close, error); other values are ignored.
uint32_t trace_events_mask(const Cell* block);

// Scans the bytes into values. whole/one: the loaded values are appended to
// the destination (`out` becomes the block; in `one` mode `out` is the first
// value and the source position moves past it). scan/prescan: recognises the
// next token only, answering its type and the position just past it.
Result transcode(Cell* out, const uint8_t* bytes, uint32_t length, const Options& options);

// A string! (units of 1, 2 or 4 bytes) from its position, converted to
// UTF-8 and transcoded; callback positions count characters of the string.
Result scan_string_value(const Cell* text, Cell* out, const Options& options);

// Loads one value from UTF-8 text: one value gives the value, several a block.
void load_value(const uint8_t* bytes, uint32_t length, Cell* out);

// The collector's marking of the active states: output cells produced so far,
// the source series and the callback cell.
void mark_active(void (*mark_cell)(Cell* cell));

// Start-up: the output buffer, the scratch buffer, the loaders and the hooks
// that datatypes leave for the lexer.
void init();

} // namespace zep::lexer
