// The error catalogue as the runtime sees it: the ten categories in code
// order, each with its title and its ids' message templates. The data is
// generated from library/errors.zep (scripts/gen_error_catalog.py), the
// catalogue the library's top level stores in system/catalog/errors.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/raise.h"

namespace zep::error::catalog {

// One piece of a message template: a text (arg 0) or argument 1 to 3.
struct Piece {
    const char* text;
    uint8_t arg;
};

// An id and its template; `block` is false for a template that is one string.
struct Template {
    const char* id;
    const Piece* pieces;
    uint8_t count;
    bool block;
};

struct CategoryInfo {
    const char* name;
    const char* title;
    int32_t code; // category index x 100
    const Template* ids;
    uint16_t count;
};

constexpr uint32_t category_count = 10;
extern const CategoryInfo categories[category_count];

// The category's index, or -1 when no category has that name (exact case).
int32_t find_category(const char* name, size_t length);
// The id's 0-based position in the category, or -1.
int32_t find_id(uint32_t category, const char* id, size_t length);
// Category x 100 + position, or -1 for an unknown id.
int32_t code_of(Category category, const char* id);
// The template of an error code, or null when the code names no id.
const Template* template_of(int32_t code);
// The category's title ("Script Error"); null for an invalid index.
const char* title_of(uint32_t category);

} // namespace zep::error::catalog
