// The symbol table: interning, aliases and names; the symbol! datatype.
#include "datatypes/symbol.h"

#include <cstring>
#include <string>
#include <vector>

#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "runtime/collector.h"
#include "runtime/gc_roots.h"
#include "runtime/hashtable.h"
#include "runtime/hashtable_internal.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/unicode/conversion.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/text_load.h"
#include "runtime/unicode/utf8.h"

namespace zep::symbol {

Ref table = 0;

namespace {

using namespace hash::detail;

constexpr uint32_t no_alias = 0xFFFFFFFFu;

// Names are copied here before interning: the caller's bytes may lie in a
// series buffer that the allocations of interning could move.
std::string scratch;

bool is_ascii_letter_equal(unsigned char a, unsigned char b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return lower(a) == lower(b);
}

struct Name {
    const unsigned char* bytes;
    uint32_t length;
};

Name name_of(const Cell* entry) {
    SeriesBuffer* b = node_buffer(entry->data3);
    return {buffer_head(b), b->tail - b->head};
}

template <class Word> Word load_word(const unsigned char* p) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// True when the n bytes at a and b are equal: names of 4 to 16 bytes, which
// most are, as two overlapping words from each end, without a call.
[[gnu::always_inline]] inline bool same_bytes(const unsigned char* a, const unsigned char* b,
                                              uint32_t n) {
    if (n >= 8 && n <= 16) {
        uint64_t head = load_word<uint64_t>(a) ^ load_word<uint64_t>(b);
        uint64_t tail = load_word<uint64_t>(a + n - 8) ^ load_word<uint64_t>(b + n - 8);
        return (head | tail) == 0;
    }
    if (n >= 4 && n < 8) {
        uint32_t head = load_word<uint32_t>(a) ^ load_word<uint32_t>(b);
        uint32_t tail = load_word<uint32_t>(a + n - 4) ^ load_word<uint32_t>(b + n - 4);
        return (head | tail) == 0;
    }
    return std::memcmp(a, b, n) == 0;
}

// True when the entry's name is exactly the given one: the test of every
// lookup, kept inline.
[[gnu::always_inline]] inline bool same_spelling(const Cell* entry, const unsigned char* name,
                                                 uint32_t length) {
    Name stored = name_of(entry);
    return stored.length == length && same_bytes(stored.bytes, name, length);
}

bool same_name(const Cell* entry, const unsigned char* name, uint32_t length, bool ignore_case) {
    Name stored = name_of(entry);
    if (stored.length != length) return false;
    if (!ignore_case) return same_bytes(stored.bytes, name, length);
    for (uint32_t i = 0; i < length; ++i)
        if (!is_ascii_letter_equal(stored.bytes[i], name[i])) return false;
    return true;
}

Cell* entry_at(uint32_t id) {
    return node_cells(block()) + (id - 1);
}

bool is_valid(uint32_t id) {
    return table != 0 && id >= 1 && id <= count();
}

// Appends a symbol cell for the scratch name; answers its id.
uint32_t append_symbol(Ref symbols, uint32_t alias_id) {
    uint32_t length = static_cast<uint32_t>(scratch.size());
    Ref name = series::alloc_bytes(length + 1);
    gc::RootRef keep(name); // the symbol block may grow below
    SeriesBuffer* b = node_buffer(name);
    std::memcpy(buffer_head(b), scratch.data(), length);
    buffer_head(b)[length] = 0;
    b->tail = b->head + length;
    Ref data = hash::table_at(symbols)->data;
    Cell* entry = series::alloc_tail_cell(node_buffer(data));
    *entry = Cell{type_id::symbol, alias_id, 0, name};
    return hash::detail::item_count(hash::table_at(symbols));
}

// The name string of a symbol cell: the one it carries, or a fresh one.
Ref name_string(const Cell* entry) {
    if (entry->data2) return entry->data2;
    Name name = name_of(entry);
    std::string copy(reinterpret_cast<const char*>(name.bytes), name.length);
    return unicode::load_utf8_new(reinterpret_cast<const unsigned char*>(copy.data()), name.length);
}

} // namespace

Ref block() {
    return hash::table_at(table)->data;
}

uint32_t count() {
    return table ? item_count(hash::table_at(table)) : 0;
}

namespace {
void mark_table() {
    gc::mark_table(&table);
}
} // namespace

void init_table(uint32_t capacity, const Cell* symbol_block) {
    table = hash::make_table(capacity, symbol_block, hash::kind::symbols, 0);
    gc::add_mark_callback(mark_table);
}

uint32_t intern(Ref symbols, const unsigned char* name, uint32_t length, bool any_variant) {
    // The name is copied to scratch before the first allocation (growing
    // the table or adding the symbol); a name found allocates nothing.
    hash::Table* t = hash::table_at(symbols);
    if (t->occupied >= t->upper) {
        scratch.assign(reinterpret_cast<const char*>(name), length);
        name = reinterpret_cast<const unsigned char*>(scratch.data());
        rehash_keys(symbols, growth_request(t) * 16);
        t = hash::table_at(symbols);
    }
    const Cell* entries = data_cells(t);
    uint32_t h = hash::name_hash(name, length);
    Probe exact =
        any_variant
            ? probe(t, h,
                    [&](int32_t item) { return same_name(entries + item, name, length, true); })
            : probe(t, h,
                    [&](int32_t item) { return same_spelling(entries + item, name, length); });
    if (exact.found >= 0) return static_cast<uint32_t>(key_entries(t)[exact.found]) + 1;
    uint32_t alias_id = no_alias;
    if (!any_variant) {
        Probe variant = probe(
            t, h, [&](int32_t item) { return same_name(entries + item, name, length, true); });
        if (variant.found >= 0)
            alias_id = resolve(static_cast<uint32_t>(key_entries(t)[variant.found]) + 1);
    }
    if (name != reinterpret_cast<const unsigned char*>(scratch.data()))
        scratch.assign(reinterpret_cast<const char*>(name), length);
    uint32_t bucket = static_cast<uint32_t>(exact.free_slot);
    uint32_t id = append_symbol(symbols, alias_id);
    occupy(hash::table_at(symbols), bucket, static_cast<int32_t>(id - 1));
    return id;
}

uint32_t make(const char* text) {
    return intern(table, reinterpret_cast<const unsigned char*>(text),
                  static_cast<uint32_t>(std::strlen(text)), false);
}

uint32_t make_from_text(const unsigned char* text, uint32_t length) {
    return intern(table, text, length, false);
}

uint32_t make_from_string(const Cell* string) {
    unicode::TextRange range = unicode::text_range(string);
    uint64_t size = unicode::utf8_size_of_series(range.start, range.end(), range.unit);
    if (size > memory::max_data_size) error::fire_named(error::Category::internal, "no-memory");
    std::vector<unsigned char> bytes(size + 1);
    uint32_t written = unicode::series_to_utf8(string, bytes.data(), -1, false);
    return intern(table, bytes.data(), written, false);
}

uint32_t find_any_case(const char* text) {
    return intern(table, reinterpret_cast<const unsigned char*>(text),
                  static_cast<uint32_t>(std::strlen(text)), true);
}

int32_t alias(uint32_t id) {
    return is_valid(id) ? static_cast<int32_t>(entry_at(id)->data1) : -1;
}

void ensure_string(uint32_t id) {
    if (!is_valid(id) || entry_at(id)->data2 != 0) return;
    Ref text = name_string(entry_at(id));
    entry_at(id)->data2 = text;
}

Cell* get_cell(uint32_t id) {
    if (!is_valid(id)) return nullptr;
    ensure_string(id);
    return entry_at(id);
}

const char* utf8_text(uint32_t id) {
    if (!is_valid(id)) return "";
    Ref name = entry_at(id)->data3;
    SeriesBuffer* b = node_buffer(name);
    if (b->tail >= arena::ref(buffer_end(b))) {
        series::alloc_tail_bytes(b, 1);
        b = node_buffer(name);
        b->tail -= 1;
    }
    *buffer_tail(b) = 0;
    return reinterpret_cast<const char*>(buffer_head(b));
}

uint32_t utf8_length(uint32_t id) {
    return is_valid(id) ? name_of(entry_at(id)).length : 0;
}

bool is_any_type_word(const Cell* word) {
    return resolve(word->data2) == resolve(make("any-type!"));
}

int compare(const Cell* a, const Cell* b, int code) {
    if (cell_type(b) != type_id::symbol) return compare_code::not_comparable;
    Cell left_text;
    Cell right_text;
    unicode::make_text_cell(&left_text, name_string(a));
    unicode::make_text_cell(&right_text, name_string(b));
    return string::compare(&left_text, &right_text, code, false);
}

void init() {
    datatype::SlotList slots;
    slots.set<action_slot::compare>(&compare);
    datatype::register_type(type_id::symbol, 0, "symbol!", slots);
}

} // namespace zep::symbol
