#include "runtime/error_catalog.h"

#include <cstring>

namespace zep::error::catalog {

namespace {
bool same(const char* name, const char* text, size_t length) {
    return std::strncmp(name, text, length) == 0 && name[length] == '\0';
}
} // namespace

int32_t find_category(const char* name, size_t length) {
    for (uint32_t i = 0; i < category_count; ++i)
        if (same(categories[i].name, name, length)) return static_cast<int32_t>(i);
    return -1;
}

int32_t find_id(uint32_t category, const char* id, size_t length) {
    if (category >= category_count) return -1;
    const CategoryInfo& c = categories[category];
    for (uint16_t i = 0; i < c.count; ++i)
        if (same(c.ids[i].id, id, length)) return i;
    return -1;
}

int32_t code_of(Category category, const char* id) {
    auto index = static_cast<uint32_t>(category);
    int32_t position = find_id(index, id, std::strlen(id));
    return position < 0 ? -1 : categories[index].code + position;
}

const Template* template_of(int32_t code) {
    if (code < 0) return nullptr;
    auto index = static_cast<uint32_t>(code / 100);
    auto position = static_cast<uint32_t>(code % 100);
    if (index >= category_count || position >= categories[index].count) return nullptr;
    return &categories[index].ids[position];
}

const char* title_of(uint32_t category) {
    return category < category_count ? categories[category].title : nullptr;
}

} // namespace zep::error::catalog
