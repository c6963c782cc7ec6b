// The cycle stack: the series that mold, form, compare and deep copy are
// inside of, so that a series containing itself is visited once.
#include <cstring>

#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "runtime/heap.h"

namespace zep::cycles {

namespace {
Ref* entries = nullptr;
Ref* cursor = nullptr;
Ref* end = nullptr;

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
    if (entries) return;
    entries = static_cast<Ref*>(heap::alloc(capacity * sizeof(Ref)));
    cursor = entries;
    end = entries + capacity;
}

void push(Ref series) {
    if (!entries) init();
    *cursor++ = series;
    if (cursor == end) {
        cursor = entries;
        error::fire(error::Category::internal, "too-deep");
    }
}

void pop() {
    if (cursor > entries) --cursor;
}

void drop(uint32_t n) {
    cursor = static_cast<uint32_t>(cursor - entries) > n ? cursor - n : entries;
}

void reset() {
    cursor = entries;
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
