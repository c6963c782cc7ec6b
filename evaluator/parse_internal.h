// Shared declarations of the parse engine's modules: the global stacks
// (parse_stacks.cpp), the state machine (parse_engine.cpp), matching and
// search (parse_match.cpp), keywords (parse_keywords.cpp), collect and keep
// (parse_collect.cpp), input edits (parse_edit.cpp) and tracing
// (parse_trace.cpp).
//
// Collector safety: every value the engine holds across an evaluation or an
// allocation lives in an argument-stack cell (the engine's own cells and the
// collect targets) or in a global stack block; positions are indexes. Cell
// pointers into a series buffer are derived again after every call that can
// allocate.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::parse {

// ---- Rule kinds and stack frames ------------------------------------------------

namespace kind {
enum : int32_t {
    repeat = -1,
    to = -2,
    thru = -3,
    copy = -4,
    set = -5,
    not_ = -6,
    into = -7,
    remove = -9,
    while_ = -11,
    collect = -12,
    keep = -13,
    keep_paren = -14,
    ahead = -16,
    change = -17,
    change_only = -18,
    case_ = -19,
};
} // namespace kind

// The keyword word of a rule kind (for errors).
const char* kind_name(int32_t rule_kind);

// Cells in one frame of the rule stack.
constexpr int32_t frame_cells = 3;
// Neither stack may hold more cells than this when a frame is pushed.
constexpr uint32_t stack_limit = 10000;

// A rule frame read out of the stack: (1) counts or the target word,
// (2) keyword index, input position and length at the rule's start,
// (3) kind and flag (1 for keep pick; for a loop, a break is pending).
struct RuleFrame {
    int32_t minimum = 0, maximum = 0, counter = 0; // cell 1 when it is a triple!
    int32_t keyword = 0, position = 0, length = 0; // cell 2
    int32_t kind = 0, flag = 0;                    // cell 3
};

// ---- The global stacks (parse_stacks.cpp) ---------------------------------------

// The cells naming the two stacks (valid until the next
// allocation). A stack's used cells run from its cell's head index to the
// buffer's tail.
Cell* input_stack();
Cell* rule_stack();
// Used cells from the head.
int32_t used_cells(const Cell* stack);
// The cell `back` cells below the tail (1: the last one).
Cell* stack_cell(const Cell* stack, int32_t back);
// Raises script parse-stack when either stack holds more than the limit.
void check_stack_limit();
// Appends copies of the cells (checked first against the limit).
void push_cells(Cell* stack, const Cell* cells, int32_t count);
// Drops cells from the tail (never below the head).
void drop_cells(Cell* stack, int32_t count);

// The event words (push pop fetch match iterate paren end).
enum class Event : uint8_t { push, pop, fetch, match, iterate, paren, end };
const Cell* event_word(Event event);

// Keeps the engine's use of the stacks: on entry, when the rule stack has
// used cells, pushes a marker with both heads and moves the heads past the
// used cells; on exit (also by an exception) clears both stacks from their
// heads and, when it pushed a marker, pops it and restores the heads.
class StackSession {
  public:
    StackSession();
    ~StackSession();
    StackSession(const StackSession&) = delete;
    StackSession& operator=(const StackSession&) = delete;

  private:
    bool marked_ = false;
};

// Moves both stacks' heads to their tails while evaluation outside the
// engine runs (parens, callbacks, series actions), restoring them after.
class HeadsAtTails {
  public:
    HeadsAtTails();
    ~HeadsAtTails();
    HeadsAtTails(const HeadsAtTails&) = delete;
    HeadsAtTails& operator=(const HeadsAtTails&) = delete;

  private:
    int32_t input_head_;
    int32_t rule_head_;
};

// ---- Keyword symbols (parse_stacks.cpp) ------------------------------------------

namespace keyword {
enum Id : uint8_t {
    bar,
    skip,
    any,
    some,
    to,
    thru,
    remove,
    break_,
    opt,
    keep,
    fail,
    ahead,
    while_,
    into,
    insert,
    change,
    end,
    if_,
    not_,
    quote,
    collect,
    case_,
    reject,
    set,
    none,
    copy,
    only,
    pick,
    after,
    count
};
} // namespace keyword
// The keyword a word! names (by canonical symbol), or keyword::count.
keyword::Id keyword_of(const Cell* word);
bool is_keyword(const Cell* cell, keyword::Id id);

// ---- Input access (parse_match.cpp) ----------------------------------------------

enum class InputKind : uint8_t { block, text, binary };
InputKind input_kind(const Cell* input);
bool is_block_input(uint8_t type);
// Units from the buffer's first used unit to its tail.
int32_t input_tail(const Cell* input);

// ---- The engine (parse_engine.cpp and the keyword modules) -------------------------

// Cells the engine keeps on the argument stack: rules, input, callback,
// collected block, then the scratch cells; collect levels follow (two cells
// each).
constexpr int engine_cells = 12;

// Next states of the state machine.
enum class Step : uint8_t { next, check, alternative, leave, fetch_argument, complete, end };

class Engine {
  public:
    Engine(const Cell* input, const Cell* rules, int code, int32_t limit, const Cell* callback);
    // Runs to the end; the result goes into `result`.
    void run(Cell* result);

    // --- State (cells live on the argument stack) ---
    Cell* rules() const { return cells_; }
    Cell* input() const { return cells_ + 1; }
    Cell* callback() const { return cells_ + 2; }
    Cell* collected() const { return cells_ + 3; }
    // 0 edit values, 1 kept values, 2 rule literals, 3 blocks to enter,
    // 4-5 collect levels taken off, 6 words, 7 captured values.
    Cell* scratch(int n) const { return cells_ + 4 + n; }
    int32_t position() const { return static_cast<int32_t>(input()->data1); }
    void set_position(int32_t p) { input()->data1 = static_cast<uint32_t>(p); }
    int32_t rules_tail() const;
    // The rule cell at an index (valid until the next allocation), or null.
    Cell* rule_at(int32_t index) const;
    // The end of the input: its tail, or the limit when one is set and the
    // input is the native's own.
    int32_t input_end() const;
    bool at_end() const { return position() >= input_end(); }
    int32_t remaining_length() const { return input_tail(input()) - position(); }

    // --- Steps (parse_engine.cpp) ---
    Step step_next();
    Step step_check();
    Step step_alternative();
    Step step_leave();
    Step value(int32_t index, bool as_argument);
    Step enter_block(const Cell* block);
    Step fetch_argument();
    Step argument_literal(const RuleFrame& f, const Cell* rule);
    Step match_literal(const Cell* rule);
    Step match_type(const Cell* type);
    Step repetition(int32_t index, int32_t minimum);
    Step paren(int32_t index);
    Step complete();
    Step complete_loop(const RuleFrame& f);
    Step complete_search(const RuleFrame& f);
    Step complete_capture(const RuleFrame& f);
    void finish(Cell* result);
    // A copy of the input from one position to another (either order).
    void copy_input(int32_t from, int32_t to, Cell* out);

    // --- Frames (parse_engine.cpp) ---
    bool top_is_rule_frame() const;
    RuleFrame read_rule_frame() const;
    void write_rule_counts(int32_t minimum, int32_t maximum, int32_t counter);
    void write_rule_start(int32_t position, int32_t length);
    void pop_frame();
    // break and reject: the innermost open loop ends after its current
    // round (its frame's flag is set).
    void break_innermost_loop();
    // Pushes a rule frame (first cell given) and sends the push event.
    void push_frame(const Cell* first, int32_t keyword_index, int32_t rule_kind, int32_t flag);
    // push_frame, then the cursor moves to the argument.
    Step push_rule(const Cell* first, int32_t keyword_index, int32_t rule_kind, int32_t flag);
    Step push_counted(int32_t keyword_index, int32_t rule_kind, int32_t minimum, int32_t maximum,
                      int32_t flag);
    Step finish_rule();

    // --- Keywords and words (parse_keywords.cpp) ---
    Step keyword_or_word(int32_t index, bool as_argument);
    Step keyword(keyword::Id id, int32_t index);
    Step keyword_into(int32_t index);
    Step complete_into(const RuleFrame& f);
    // The value cell of the word at index (valid until the next
    // allocation), or null when the word is unbound.
    const Cell* reference_value(int32_t index) const;
    // A word or get-word at index whose value is the current input series:
    // its position, else -1.
    int32_t position_word(int32_t index) const;
    // The index of the last cell of the rule that starts at index.
    int32_t span_end(int32_t index) const;

    // --- Input edits (parse_edit.cpp) ---
    Step keyword_remove(int32_t index);
    Step keyword_insert(int32_t index);
    Step keyword_change(int32_t index);
    Step complete_remove(const RuleFrame& f);
    Step complete_change(const RuleFrame& f);
    // Reads the value an insert or change puts in (a paren evaluated, a word
    // fetched) into scratch(0).
    void read_edit_value(int32_t index);
    void remove_input(int32_t start, int32_t count);
    // Changes count items from start to the value in scratch(0); the input
    // position moves after the change.
    void change_input(int32_t start, int32_t count, bool only);

    // --- Collect and keep (parse_collect.cpp) ---
    Step keyword_collect(int32_t index);
    Step keyword_keep(int32_t index);
    Step complete_collect(const RuleFrame& f);
    Step complete_keep(const RuleFrame& f);
    // The innermost collect level: its mode cell, then its target.
    Cell* collect_level() const;
    // Keeps one value (a stable cell) into the innermost collect target.
    void keep_value(const Cell* value);
    // Keeps the items from start to the position one by one.
    void keep_items(int32_t start);

    // --- Tracing and evaluation (parse_trace.cpp) ---
    // Sends an event to the trace callback; a false answer stops parsing.
    void event(Event e);
    // Evaluates the paren at index (the rule block's cell) into out (an
    // argument-stack cell); sends the paren event.
    void eval_paren(int32_t index, Cell* out);

    // --- Errors (raised with copies on the argument stack) ---
    [[noreturn]] void fire_with_rule(const char* id, int32_t index) const;
    [[noreturn]] void fire_with(const char* id, const Cell* arg) const;
    // The error with a word of the name as its argument.
    [[noreturn]] void fire_keyword(const char* id, const char* name) const;

    int code_;
    int32_t limit_;
    int32_t cursor_ = 0;
    bool match_ = true;
    bool tracing_ = false;
    bool stopped_ = false;
    int32_t collect_depth_ = 0;
    int32_t input_depth_ = 1; // inputs on the input stack (1 + open intos)
    Cell* cells_;
};

// Thrown when a trace callback answers false: parse returns its match flag.
struct Stop {};

// ---- Matching (parse_match.cpp) ------------------------------------------------

// Items a literal rule value matches at the input's position (0 for an
// empty match), or -1 when it does not match. `end` bounds the match.
int32_t literal_length(const Cell* input, int32_t end, const Cell* rule, int code);
// Items matched by the type test at the position, or -1.
int32_t type_match_length(const Cell* input, int32_t end, const Cell* type);
// Repeats a literal between minimum and maximum (-1: unbounded); moves the
// input position past the last match; answers whether the count is in range.
bool repeat_literal(Cell* input, int32_t end, const Cell* rule, int32_t minimum, int32_t maximum,
                    int code);
// Searches forward for a literal; on success answers the position where it
// starts and writes the position after it into *after; -1 when not found.
int32_t find_literal(const Cell* input, int32_t end, const Cell* rule, int code, int32_t* after);
// Cells from the cursor to the next `|` in the rules, or -1.
int32_t skip_to_alternative(const Cell* rules, int32_t cursor, int32_t tail);
// The value of the input item at a position: a cell, a char! or an integer!
// byte.
void item_at(const Cell* input, int32_t position, Cell* out);
// True when the value is a series of the input's type and node.
bool is_same_series(const Cell* value, const Cell* input);

} // namespace zep::parse
