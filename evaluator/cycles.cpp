// The cycle stack: the series that mold, form, compare and deep copy are
// inside of, so that a series containing itself is visited once.
#include <cstring>

#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp_internal.h"
#include "runtime/collector.h"
#include "runtime/heap.h"

namespace zep::cycles {

namespace {
Ref* entries = nullptr;
Ref* cursor = nullptr;
Ref* end = nullptr;
// Per entry: 1 for a comparison's second series, which takes no level.
uint8_t* partner = nullptr;
uint32_t partners = 0;

[[noreturn]] void fire_emptied(const char* id) {
    reset();
    error::fire(error::Category::internal, id);
}

// The series a value stands for: the context of an object (error! and
// port! included), else its node.
Ref series_of(const Cell* value) {
    uint8_t t = cell_type(value);
    bool object = t == type_id::object || t == type_id::error || t == type_id::port;
    return object ? value->data1 : value->data2;
}

const char* marker(uint8_t type, bool mold) {
    if (!mold) return "...";
    switch (type) {
    case type_id::block:
    case type_id::hash:
        return "[...]";
    case type_id::paren:
        return "(...)";
    case type_id::map:
        return "#[...]";
    case type_id::object:
        return "make object! [...]";
    case type_id::error:
        return "make error! [...]";
    default:
        return "...";
    }
}
} // namespace

void init() {
    // The entries are node numbers that no root holds: they follow node
    // compaction.
    gc::add_remap_callback(remap);
    if (entries) return;
    entries = static_cast<Ref*>(heap::alloc(capacity * sizeof(Ref)));
    partner = static_cast<uint8_t*>(heap::alloc(capacity));
    cursor = entries;
    end = entries + capacity;
    partners = 0;
}

void push(Ref series) {
    if (!entries) init();
    if (depth() - partners >= max_levels) fire_emptied("too-deep");
    // Every walker recurses natively once per level: a nearly used native
    // stack is refused here rather than overrun.
    char here;
    if (&here < interp::detail::native_stack_limit) fire_emptied("stack-overflow");
    partner[cursor - entries] = 0;
    *cursor++ = series;
}

void push_partner(Ref series) {
    if (!entries) init();
    if (cursor == end) fire_emptied("too-deep");
    partner[cursor - entries] = 1;
    ++partners;
    *cursor++ = series;
}

void pop() {
    if (cursor == entries) return;
    --cursor;
    partners -= partner[cursor - entries];
}

void drop(uint32_t n) {
    while (n-- > 0 && cursor > entries) pop();
}

void reset() {
    cursor = entries;
    partners = 0;
}

bool find(Ref series) {
    for (Ref* e = entries; e < cursor; ++e)
        if (*e == series) return true;
    return false;
}

uint32_t depth() {
    return static_cast<uint32_t>(cursor - entries);
}

void remap(Ref (*moved)(Ref node)) {
    for (Ref* e = entries; e < cursor; ++e) *e = moved(*e);
}

bool detect(const Cell* value, Cell* output, int32_t* limit, bool mold) {
    if (!find(series_of(value))) return false;
    const char* text = marker(cell_type(value), mold);
    string::append_text(output, text);
    *limit -= static_cast<int32_t>(std::strlen(text));
    return true;
}

} // namespace zep::cycles
