// The runtime word table: the symbols and words the runtime compares
// against, made once at start-up after the symbol table and the global
// context exist. Each list below is (C++ name, spelling).
#pragma once
#include <cstdint>

#include "runtime/cell.h"
#include "runtime/value_make.h"

// clang-format off
#define ZEP_RUNTIME_SYMBOLS(X) \
    X(spec, "spec") \
    X(body, "body") \
    X(words, "words") \
    X(class_, "class") \
    X(logic_type, "logic!") \
    X(integer_type, "integer!") \
    X(char_type, "char!") \
    X(float_type, "float!") \
    X(percent_type, "percent!") \
    X(any_type_type, "any-type!") \
    X(repeat, "repeat") \
    X(foreach, "foreach") \
    X(map_each, "map-each") \
    X(remove_each, "remove-each") \
    X(exit, "exit") \
    X(return_, "return") \
    X(self, "self") \
    X(values, "values") \
    X(owner, "owner") \
    X(owned, "owned") \
    X(is_events, "events?") \
    X(Windows, "Windows") \
    X(Syllable, "Syllable") \
    X(macOS, "macOS") \
    X(Linux, "Linux") \
    X(NetBSD, "NetBSD") \
    X(any, "any") \
    X(break_, "break") \
    X(copy, "copy") \
    X(end, "end") \
    X(fail, "fail") \
    X(into, "into") \
    X(opt, "opt") \
    X(not_, "not") \
    X(quote, "quote") \
    X(case_, "case") \
    X(reject, "reject") \
    X(set, "set") \
    X(skip, "skip") \
    X(some, "some") \
    X(thru, "thru") \
    X(to, "to") \
    X(none, "none") \
    X(bar, "|") \
    X(dash, "-") \
    X(if_, "if") \
    X(remove, "remove") \
    X(while_, "while") \
    X(insert, "insert") \
    X(only, "only") \
    X(collect, "collect") \
    X(keep, "keep") \
    X(pick, "pick") \
    X(ahead, "ahead") \
    X(after, "after") \
    X(x, "x") \
    X(y, "y") \
    X(z, "z") \
    X(true_, "true") \
    X(false_, "false") \
    X(yes, "yes") \
    X(no, "no") \
    X(on, "on") \
    X(off, "off") \
    X(type, "type") \
    X(face, "face") \
    X(window, "window") \
    X(offset, "offset") \
    X(key, "key") \
    X(flag, "flag") \
    X(code, "code") \
    X(code2, "code") \
    X(picked, "picked") \
    X(flags, "flags") \
    X(is_away, "away?") \
    X(is_ctrl, "ctrl?") \
    X(is_shift, "shift?") \
    X(is_down, "down?") \
    X(is_mid_down, "mid-down?") \
    X(is_alt_down, "alt-down?") \
    X(is_aux_down, "aux-down?") \
    X(orientation, "orientation") \
    X(get, "get") \
    X(put, "put") \
    X(post, "post") \
    X(head, "head") \
    X(size, "size") \
    X(rgb, "rgb") \
    X(alpha, "alpha") \
    X(argb, "argb") \
    X(date, "date") \
    X(year, "year") \
    X(month, "month") \
    X(day, "day") \
    X(zone, "zone") \
    X(week, "week") \
    X(isoweek, "isoweek") \
    X(weekday, "weekday") \
    X(yearday, "yearday") \
    X(julian, "julian") \
    X(time, "time") \
    X(hour, "hour") \
    X(minute, "minute") \
    X(second, "second") \
    X(timezone, "timezone") \
    X(amount, "amount") \
    X(user, "user") \
    X(host, "host") \
    X(system, "system") \
    X(system_global, "system-global") \
    X(trace, "trace") \
    X(no_trace, "no-trace")

#define ZEP_GLOBAL_WORDS(X) \
    X(body, "<body>") \
    X(push, "push") \
    X(pop, "pop") \
    X(fetch, "fetch") \
    X(match, "match") \
    X(iterate, "iterate") \
    X(paren, "paren") \
    X(anon, "<anon>") \
    X(not_found, "<not-found>") \
    X(add, "add") \
    X(subtract, "subtract") \
    X(divide, "divide") \
    X(at, "at") \
    X(back, "back") \
    X(find, "find") \
    X(head, "head") \
    X(is_head, "head?") \
    X(is_index, "index?") \
    X(is_length, "length?") \
    X(next, "next") \
    X(pick, "pick") \
    X(select, "select") \
    X(skip, "skip") \
    X(tail, "tail") \
    X(is_tail, "tail?") \
    X(change, "change") \
    X(changed, "changed") \
    X(clear, "clear") \
    X(cleared, "cleared") \
    X(set_path, "set-path") \
    X(append, "append") \
    X(appended, "appended") \
    X(poke, "poke") \
    X(poked, "poked") \
    X(put, "put") \
    X(put_ed, "put-ed") \
    X(removed, "removed") \
    X(random, "random") \
    X(randomized, "randomized") \
    X(reverse, "reverse") \
    X(reversed, "reversed") \
    X(sort, "sort") \
    X(sorted, "sorted") \
    X(swap, "swap") \
    X(swaped, "swaped") \
    X(take, "take") \
    X(taken, "taken") \
    X(move, "move") \
    X(moved, "moved") \
    X(trim, "trim") \
    X(trimmed, "trimmed") \
    X(inserted, "inserted") \
    X(uppercase, "uppercase") \
    X(lowercase, "lowercase") \
    X(checksum, "checksum") \
    X(on_parse_event, "on-parse-event") \
    X(on_change, "on-change*") \
    X(on_deep_change, "on-deep-change*") \
    X(type, "type") \
    X(id, "id") \
    X(try_, "try") \
    X(catch_, "catch") \
    X(name, "name") \
    X(multiply, "multiply") \
    X(browse, "browse") \
    X(open, "open") \
    X(create, "create") \
    X(close, "close") \
    X(delete_, "delete") \
    X(modify, "modify") \
    X(query, "query") \
    X(read, "read") \
    X(rename, "rename") \
    X(update, "update") \
    X(write, "write") \
    X(prescan, "prescan") \
    X(scan, "scan") \
    X(load, "load") \
    X(error, "error") \
    X(comment, "comment") \
    X(init, "init") \
    X(exec, "exec") \
    X(call, "call") \
    X(return_, "return") \
    X(enter, "enter") \
    X(exit, "exit") \
    X(prolog, "prolog") \
    X(epilog, "epilog") \
    X(throw_, "throw") \
    X(expr, "expr") \
    X(interp_callback, "<interp-callback>") \
    X(lexer_callback, "<lexer-callback>") \
    X(parse_callback, "<parse-callback>") \
    X(compare_callback, "<compare-callback>") \
    X(local, "local") \
    X(applied, "<applied>") \
    X(note, "note") \
    X(syntax, "syntax") \
    X(script, "script") \
    X(math, "math") \
    X(access, "access") \
    X(user, "user") \
    X(internal, "internal") \
    X(invalid_error, "invalid-error") \
    X(throw_2, "throw")

#define ZEP_SYMBOL_WORDS(X) \
    X(Windows, "Windows") \
    X(Syllable, "Syllable") \
    X(macOS, "macOS") \
    X(Linux, "Linux") \
    X(NetBSD, "NetBSD") \
    X(any, "any") \
    X(copy, "copy") \
    X(end, "end") \
    X(into, "into") \
    X(opt, "opt") \
    X(not_, "not") \
    X(quote, "quote") \
    X(case_, "case") \
    X(set, "set") \
    X(some, "some") \
    X(thru, "thru") \
    X(to, "to") \
    X(bar, "|") \
    X(if_, "if") \
    X(remove, "remove") \
    X(while_, "while") \
    X(insert, "insert") \
    X(collect, "collect") \
    X(keep, "keep") \
    X(ahead, "ahead")

#define ZEP_REFINEMENT_WORDS(X) \
    X(local, "local") \
    X(extern_, "extern") \
    X(compare, "compare") \
    X(part, "part") \
    X(skip, "skip") \
    X(with, "with")
// clang-format on

namespace zep::words {

#define ZEP_WORD_ENUM(name, text) name,
namespace symbol {
enum Id : uint16_t { ZEP_RUNTIME_SYMBOLS(ZEP_WORD_ENUM) count };
}
namespace global {
enum Id : uint16_t { ZEP_GLOBAL_WORDS(ZEP_WORD_ENUM) count };
}
namespace symbol_word {
enum Id : uint16_t { ZEP_SYMBOL_WORDS(ZEP_WORD_ENUM) count };
}
namespace refinement {
enum Id : uint16_t { ZEP_REFINEMENT_WORDS(ZEP_WORD_ENUM) count };
}
#undef ZEP_WORD_ENUM

static_assert(symbol::count == 112);
static_assert(global::count == 105);
static_assert(symbol_word::count == 25);
static_assert(refinement::count == 6);

// The spellings, in enum order.
extern const char* const symbol_names[symbol::count];
extern const char* const global_names[global::count];
extern const char* const symbol_word_names[symbol_word::count];
extern const char* const refinement_names[refinement::count];

// Filled by the init functions below.
extern uint32_t symbols[symbol::count];
extern Cell globals[global::count];             // word! bound in the global context
extern Cell symbol_words[symbol_word::count];   // word! made from an interned symbol
extern Cell refinements[refinement::count];     // unbound refinement!
extern Cell internal_ooo;                       // the issue! #ooo

inline uint32_t symbol_of(symbol::Id id) {
    return symbols[id];
}
inline const Cell* global_word(global::Id id) {
    return &globals[id];
}
inline uint32_t symbol_of_global(global::Id id) {
    return value::word_symbol(&globals[id]);
}

// Interns every runtime symbol and makes the global words (the runtime,
// refinement and internal word tables).
void init_runtime_words();
void init_refinement_words();
void init_internal_words();

// The word naming a frame: the symbol bound in the frame's word context, or
// a word of the global context when the symbol is not there (or when the
// context is the block node of a `self` frame).
void word_for_frame(Cell* out, uint32_t symbol, Ref context);

} // namespace zep::words
