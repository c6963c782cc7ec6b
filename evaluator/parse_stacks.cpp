// The parse engine's global data: the input stack and the rule stack (two
// blocks in the root block, shared by nested parses), the event words and
// the keyword symbols; the stack limit and the reentrancy guards.
#include <algorithm>

#include "datatypes/symbol.h"
#include "datatypes/triple.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/parse.h"
#include "evaluator/parse_internal.h"
#include "runtime/gc_roots.h"
#include "runtime/memory.h"
#include "runtime/root_block.h"
#include "runtime/value_make.h"

namespace zep::parse {

namespace {

constexpr uint32_t input_stack_cells = 8;
constexpr uint32_t rule_stack_cells = 100;
constexpr int event_count = 7;

// Root-block index of the parse state block: the input stack, the rule stack,
// then the event words. 0 until init.
uint32_t state_root = 0;

const char* const keyword_names[keyword::count] = {
    "|",       "skip",  "any",    "some", "to",     "thru",   "remove", "break", "opt",  "keep",
    "fail",    "ahead", "while",  "into", "insert", "change", "end",    "if",    "not",  "quote",
    "collect", "case",  "reject", "set",  "none",   "copy",   "only",   "pick",  "after"};
uint32_t keyword_symbols[keyword::count] = {};

Cell* root_cell(uint32_t offset) {
    Cell* state = node_cells(roots::block) + state_root;
    return node_cells(value::series_node(state)) + offset;
}

void append_state(const Cell* value) {
    Cell copy = *value;
    gc::Root root(&copy);
    Cell* state = node_cells(roots::block) + state_root;
    *series::alloc_tail_cell(node_buffer(value::series_node(state))) = copy;
}

int32_t total_cells(const Cell* stack) {
    return static_cast<int32_t>(node_cell_count(value::series_node(stack)));
}

} // namespace

void init() {
    Cell cell;
    state_root = roots::length();
    roots::hold(series::alloc_cells(2 + event_count));
    value::set_series(&cell, type_id::block, series::alloc_cells(input_stack_cells));
    append_state(&cell);
    value::set_series(&cell, type_id::block, series::alloc_cells(rule_stack_cells));
    append_state(&cell);
    static const char* const event_names[event_count] = {"push",    "pop",   "fetch", "match",
                                                         "iterate", "paren", "end"};
    for (const char* name : event_names) {
        word::make_at_result(symbol::make(name), &cell);
        append_state(&cell);
    }
    for (int i = 0; i < keyword::count; ++i)
        keyword_symbols[i] = symbol::resolve(symbol::make(keyword_names[i]));
}

void forget() {
    state_root = 0;
}

Cell* input_stack() {
    return root_cell(0);
}

Cell* rule_stack() {
    return root_cell(1);
}

const char* kind_name(int32_t rule_kind) {
    switch (rule_kind) {
    case kind::to:
        return "to";
    case kind::thru:
        return "thru";
    case kind::copy:
        return "copy";
    case kind::set:
        return "set";
    case kind::not_:
        return "not";
    case kind::into:
        return "into";
    case kind::remove:
        return "remove";
    case kind::while_:
        return "while";
    case kind::collect:
        return "collect";
    case kind::keep:
    case kind::keep_paren:
        return "keep";
    case kind::ahead:
        return "ahead";
    case kind::change:
    case kind::change_only:
        return "change";
    case kind::case_:
        return "case";
    default:
        return "any";
    }
}

const Cell* event_word(Event event) {
    return root_cell(2 + static_cast<uint32_t>(event));
}

int32_t used_cells(const Cell* stack) {
    return total_cells(stack) - value::series_head(stack);
}

Cell* stack_cell(const Cell* stack, int32_t back) {
    return node_cells(value::series_node(stack)) + total_cells(stack) - back;
}

void check_stack_limit() {
    if (total_cells(input_stack()) > static_cast<int32_t>(stack_limit) ||
        total_cells(rule_stack()) > static_cast<int32_t>(stack_limit))
        error::fire(error::Category::script, "parse-stack");
}

void push_cells(Cell* stack, const Cell* cells, int32_t count) {
    check_stack_limit();
    Cell copies[frame_cells];
    std::copy(cells, cells + count, copies);
    gc::Root root(copies, static_cast<size_t>(count));
    bool is_rule_stack = stack == rule_stack();
    for (int32_t i = 0; i < count; ++i) {
        Cell* target = is_rule_stack ? rule_stack() : input_stack();
        *series::alloc_tail_cell(node_buffer(value::series_node(target))) = copies[i];
    }
}

void drop_cells(Cell* stack, int32_t count) {
    count = std::min(count, used_cells(stack));
    node_buffer(value::series_node(stack))->tail -= static_cast<uint32_t>(count) * sizeof(Cell);
}

keyword::Id keyword_of(const Cell* word) {
    if (cell_type(word) != type_id::word) return keyword::count;
    uint32_t symbol = symbol::resolve(value::word_symbol(word));
    // The modifiers (only, pick, after) are no keywords on their own.
    for (int i = 0; i < keyword::only; ++i)
        if (keyword_symbols[i] == symbol) return static_cast<keyword::Id>(i);
    return keyword::count;
}

bool is_keyword(const Cell* cell, keyword::Id id) {
    return cell && cell_type(cell) == type_id::word &&
           symbol::resolve(value::word_symbol(cell)) == keyword_symbols[id];
}

// ---- Reentrancy ---------------------------------------------------------------------

StackSession::StackSession() {
    if (used_cells(rule_stack()) == 0) return;
    // A parse started while another one has frames on the stacks: the
    // marker keeps the outer heads; this parse works above them.
    Cell marker;
    triple::make_at(&marker, value::series_head(input_stack()), value::series_head(rule_stack()),
                    0);
    push_cells(rule_stack(), &marker, 1);
    input_stack()->data1 = static_cast<uint32_t>(total_cells(input_stack()));
    rule_stack()->data1 = static_cast<uint32_t>(total_cells(rule_stack()));
    marked_ = true;
}

StackSession::~StackSession() {
    drop_cells(input_stack(), used_cells(input_stack()));
    drop_cells(rule_stack(), used_cells(rule_stack()));
    if (!marked_) return;
    Cell* rules = rule_stack();
    Cell marker = *stack_cell(rules, 1);
    node_buffer(value::series_node(rules))->tail -= sizeof(Cell);
    input_stack()->data1 = marker.data1;
    rule_stack()->data1 = marker.data2;
}

HeadsAtTails::HeadsAtTails()
    : input_head_(value::series_head(input_stack())), rule_head_(value::series_head(rule_stack())) {
    input_stack()->data1 = static_cast<uint32_t>(total_cells(input_stack()));
    rule_stack()->data1 = static_cast<uint32_t>(total_cells(rule_stack()));
}

HeadsAtTails::~HeadsAtTails() {
    input_stack()->data1 = static_cast<uint32_t>(input_head_);
    rule_stack()->data1 = static_cast<uint32_t>(rule_head_);
}

} // namespace zep::parse
