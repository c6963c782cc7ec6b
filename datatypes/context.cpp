// Contexts: creation, word lookup and addition, setting and getting values,
// binding (one word, or a whole block deeply), building from a block, and
// cloning; the global context; the context! datatype.
#include "datatypes/context.h"

#include <algorithm>
#include <vector>

#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/collector.h"
#include "runtime/gc_roots.h"
#include "runtime/hashtable.h"
#include "runtime/hashtable_internal.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/type_sets.h"
#include "runtime/value_make.h"

namespace zep::context {

Ref global = 0;
ObjectHooks object_hooks = {nullptr, nullptr};

namespace {

// What binding keeps by canonical symbol id: the index + 1 of the symbol's
// word in the global context (0: not asked yet, or past 65,534), and, while a
// block is bound to a small context, of its word there (0: none). Four bytes
// an entry, so that start-up's thousand symbols share one page.
struct SymbolSlots {
    uint16_t global;
    uint8_t bind;
};

// Entries by symbol id, zero for an id never set. The first ids live in
// static storage, page-aligned with the bookkeeping first, whose pages cost
// only when first written; the ids past them go to the heap.
class alignas(4096) SymbolTable {
  public:
    SymbolSlots get(uint32_t id) const {
        if (id < fixed_count) return fixed_[id];
        id -= fixed_count;
        return id < more_.size() ? more_[id] : SymbolSlots{};
    }
    SymbolSlots& at(uint32_t id) {
        if (id < fixed_count) {
            high_ = std::max(high_, id + 1);
            return fixed_[id];
        }
        id -= fixed_count;
        if (id >= more_.size()) more_.resize(std::max<size_t>(id + 1, more_.size() * 2));
        return more_[id];
    }
    void clear() {
        std::fill(fixed_, fixed_ + high_, SymbolSlots{});
        high_ = 0;
        more_.clear();
    }

    bool binding = false; // a BindIndex is open

  private:
    static constexpr uint32_t fixed_count = 8192;
    uint32_t high_ = 0; // one past the highest static entry handed out
    std::vector<SymbolSlots> more_;
    SymbolSlots fixed_[fixed_count] = {};
};

// Global answers never go stale: a global word keeps its index for the
// context's life, and the first word of a canonical symbol stays the one an
// any-case lookup finds. init_global clears the table.
SymbolTable symbol_slots;

// global_index's first lookup of a canonical symbol, kept out of line so
// that the lookups answered from the table stay short.
[[gnu::noinline]] int32_t add_global_index(uint32_t symbol, uint32_t canonical) {
    Cell probe;
    value::set_word(&probe, type_id::word, global, symbol);
    int32_t index = add_word(global, &probe);
    uint32_t symbols = symbol::count();
    if (canonical <= symbols && index < UINT16_MAX - 1)
        symbol_slots.at(canonical).global = static_cast<uint16_t>(index + 1);
    return index;
}

[[noreturn]] void fire_script(const char* id, const Cell* word) {
    Cell argument = *word;
    error::fire(error::Category::script, id, &argument);
}

[[noreturn]] void fire_symbol(const char* id, uint32_t symbol) {
    Cell word;
    value::set_word(&word, type_id::word, 0, symbol);
    error::fire(error::Category::script, id, &word);
}

uint32_t self_symbol() {
    return symbol::make("self");
}

bool values_live_on_stack(Ref context) {
    return (header(context)->header & flag::values_on_stack) != 0;
}

// Appends an unset! value for a new word unless the values live on the stack.
void append_value(Ref context) {
    if (values_live_on_stack(context)) return;
    series::alloc_tail_cell(node_buffer(header(context)->data2));
}

Cell* store(Cell* slot, const Cell* value) {
    Cell copy = *value;
    *slot = copy;
    return slot;
}

bool is_bindable_word(uint8_t type) {
    return type >= type_id::word && type <= type_id::refinement;
}

// A small context's word indexes by canonical symbol id, for binding a
// block to it: one array read per word in place of a probe of the context's
// word table (start-up binds the library's object bodies, and every function
// body is bound). Filled when made and cleared when it goes, also when an
// error unwinds the bind; a bind that starts while one is open (none does
// today) probes the table instead.
class BindIndex {
  public:
    explicit BindIndex(Ref context) {
        uint32_t count = word_count(context);
        if (symbol_slots.binding || count > capacity) return;
        uint32_t symbols = symbol::count();
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t canonical = symbol::resolve(word_at(context, static_cast<int32_t>(i))->data2);
            if (canonical > symbols) { // no such symbol: leave it to the word table
                clear_filled();
                return;
            }
            SymbolSlots& slots = symbol_slots.at(canonical);
            if (slots.bind != 0) continue;
            slots.bind = static_cast<uint8_t>(i + 1);
            filled_[filled_count_++] = canonical;
        }
        symbol_slots.binding = active_ = true;
    }
    ~BindIndex() {
        if (!active_) return;
        clear_filled();
        symbol_slots.binding = false;
    }
    BindIndex(const BindIndex&) = delete;
    BindIndex& operator=(const BindIndex&) = delete;

    bool active() const { return active_; }
    // The word's index in the context (any case), or -1.
    int32_t find(uint32_t symbol) const {
        return symbol_slots.get(symbol::resolve(symbol)).bind - 1;
    }

  private:
    void clear_filled() {
        for (uint32_t i = 0; i < filled_count_; ++i) symbol_slots.at(filled_[i]).bind = 0;
        filled_count_ = 0;
    }

    // Above this many words, filling and clearing the index costs more than
    // the probes it saves on a small block.
    static constexpr uint32_t capacity = 64;
    uint32_t filled_[capacity];
    uint32_t filled_count_ = 0;
    bool active_ = false;
};

// Binds a block's words and, through the cycle stack, the blocks inside it;
// a block already being bound further out is not entered again. With a
// self_id (the symbol of self, else 0) that word is bound to the context
// itself. An active index answers the lookups.
void bind_block(Ref block, Ref context, uint32_t self_id, const BindIndex& index) {
    if (cycles::find(block)) return;
    cycles::push(block);
    uint32_t count = node_cell_count(block);
    for (uint32_t i = 0; i < count; ++i) {
        Cell* cell = node_cells(block) + i;
        uint8_t type = cell_type(cell);
        if (type_set::is_block_like(type)) {
            bind_block(value::series_node(cell), context, self_id, index);
        } else if (is_bindable_word(type)) {
            if (self_id && type == type_id::word && cell->data2 == self_id) {
                cell->data1 = context;
                cell->data3 = static_cast<uint32_t>(-1);
            } else if (index.active()) {
                int32_t found = index.find(cell->data2);
                if (found >= 0) {
                    cell->data1 = context;
                    cell->data3 = static_cast<uint32_t>(found);
                }
            } else {
                bind_word(context, cell);
            }
        }
    }
    cycles::pop();
}

Cell* block_cells(const Cell* block, uint32_t* count) {
    Ref node = value::series_node(block);
    uint32_t total = node_cell_count(node);
    int32_t head = value::series_head(block);
    uint32_t start = head < 0 ? 0 : static_cast<uint32_t>(head) > total ? total : head;
    *count = total - start;
    return node_cells(node) + start;
}

} // namespace

Cell* owner(Ref context) {
    return header(context) + 1;
}

uint32_t kind_of(Ref context) {
    return (header(context)->header & flag::kind_mask) >> flag::kind_shift;
}

Ref word_table(Ref context) {
    return header(context)->data1;
}

Ref word_block(Ref context) {
    return hash::table_at(word_table(context))->data;
}

uint32_t word_count(Ref context) {
    return hash::detail::item_count(hash::table_at(word_table(context)));
}

Cell* word_at(Ref context, int32_t index) {
    return node_cells(word_block(context)) + index;
}

Cell* values(Ref context) {
    const Cell* h = header(context);
    if (h->header & flag::values_on_stack) return h->data2 ? stack::cell_at(h->data2 - 1) : nullptr;
    return node_cells(h->data2);
}

Ref make_node(uint32_t slots, bool values_on_stack, bool object, Ref prototype, uint32_t kind) {
    if (slots == 0) slots = 1;
    gc::RootRef keep_prototype(prototype);
    Ref node = series::alloc_cells(2);
    gc::RootRef keep(node); // the tables below allocate
    SeriesBuffer* b = node_buffer(node);
    b->tail = b->head + 2 * sizeof(Cell);
    auto* cells = reinterpret_cast<Cell*>(buffer_head(b));
    uint32_t flags = type_id::context | ((kind << flag::kind_shift) & flag::kind_mask);
    if (values_on_stack) flags |= flag::values_on_stack;
    if (object) flags |= flag::object;
    cells[0] = Cell{flags, 0, 0, 0};
    cells[1] = Cell{type_id::unset, 0, 0, 0};
    Ref words = prototype
                    ? hash::make_table(0, nullptr, hash::kind::symbols, 2, word_table(prototype))
                    : hash::make_table(slots, nullptr, hash::kind::symbols, 0);
    header(node)->data1 = words;
    if (!values_on_stack) {
        // Room for `slots` values, of which only the words' own are written:
        // a word added later appends its unset value, so the room past the
        // tail is never read (start-up spares the pages of the global
        // context's 4,000 cells).
        uint32_t count = word_count(node);
        Ref values_node = series::alloc_cells(std::max(slots, count));
        SeriesBuffer* v = node_buffer(values_node);
        auto* cells = reinterpret_cast<Cell*>(buffer_head(v));
        for (uint32_t i = 0; i < count; ++i) value::set_unset(&cells[i]);
        v->tail = v->head + count * sizeof(Cell);
        header(node)->data2 = values_node;
    }
    return node;
}

int32_t find_symbol(Ref context, uint32_t symbol, bool any_case) {
    return hash::put_by_pointer(word_table(context), symbol, 0, any_case, nullptr);
}

int32_t find_symbol_ext(Ref context, uint32_t symbol, bool any_case, int32_t* index_out) {
    return hash::put_by_pointer(word_table(context), symbol, context, any_case, index_out);
}

int32_t add_word(Ref context, const Cell* word) {
    gc::RootRef keep(context); // adding the word may renumber the node
    uint32_t symbol = word->data2;
    int32_t index = -1;
    int32_t found = hash::put_by_pointer(word_table(context), symbol, context, true, &index);
    if (found >= 0) return found;
    append_value(context);
    return index;
}

int32_t global_index(uint32_t symbol) {
    uint32_t canonical = symbol::resolve(symbol);
    uint16_t known = symbol_slots.get(canonical).global;
    if (known != 0) return known - 1;
    return add_global_index(symbol, canonical);
}

Cell* put(Ref context, const Cell* word, const Cell* value) {
    Cell copy = *value; // the value may lie in a series that adding moves
    gc::Root keep_value(&copy);
    gc::RootRef keep(context);
    int32_t index = add_word(context, word);
    Cell* slot = value_at(context, index);
    if (!slot) fire_script("not-defined", word);
    return store(slot, &copy);
}

Cell* add_word_value(Ref context, const Cell* word, const Cell* value) {
    if (find_symbol(context, word->data2, true) >= 0) return nullptr;
    return put(context, word, value);
}

Cell* set_value(Cell* word, const Cell* value, Ref context, bool fire) {
    int32_t index = value::word_index(word);
    if (index < 0) {
        Cell word_copy = *word;
        Cell value_copy = *value;
        gc::Root keep_value(&value_copy);
        gc::RootRef keep(context);
        index = find_symbol(context, word_copy.data2, false);
        if (index < 0) index = add_word(context, &word_copy);
        word->data3 = static_cast<uint32_t>(index);
        value = &value_copy;
        return set_value(word, value, context, fire);
    }
    Cell* values_start = values(context);
    if (!values_start || static_cast<uint32_t>(index) >= word_count(context))
        fire_script("not-defined", word);
    Cell* slot = values_start + index;
    if (values_live_on_stack(context)) return store(slot, value);
    if (kind_of(context) == kind::object) {
        word_at(context, index)->header |= field_assigned;
        const Cell* owner_cell = owner(context);
        if (fire && cell_type(owner_cell) == type_id::object && object_hooks.has_on_change &&
            object_hooks.call_on_change && object_hooks.has_on_change(owner_cell)) {
            Cell* saved_top = stack::arguments.top;
            Cell* old_value = stack::push(slot);
            Cell* new_value = stack::push(value);
            store(slot, new_value);
            Cell owner_copy = *owner_cell;
            Cell word_copy = *word;
            object_hooks.call_on_change(&owner_copy, &word_copy, old_value, new_value);
            stack::arguments.top = saved_top;
            return values(context) + index;
        }
    }
    return store(slot, value);
}

Cell* get_word_value(Cell* word, Ref context) {
    int32_t index = value::word_index(word);
    if (index < 0) {
        if (word->data2 == self_symbol()) return owner(context);
        fire_script("no-value", word);
    }
    Cell* values_start = values(context);
    if (!values_start) fire_script("not-in-context", word);
    if (static_cast<uint32_t>(index) >= word_count(context)) fire_script("no-value", word);
    return values_start + index;
}

Cell* value_of_symbol(Ref context, uint32_t symbol) {
    if (values_live_on_stack(context)) context = global;
    int32_t index = find_symbol(context, symbol, true);
    if (index < 0) fire_symbol("no-value", symbol);
    return value_at(context, index);
}

Cell* global_value(uint32_t symbol) {
    return value_of_symbol(global, symbol);
}

Cell* set_global(uint32_t symbol, const Cell* value) {
    Cell copy = *value;
    int32_t index = find_symbol(global, symbol, false);
    if (index < 0) {
        find_symbol_ext(global, symbol, false, &index);
        append_value(global);
    }
    return store(value_at(global, index), &copy);
}

Cell* get_word_or_global(Ref context, uint32_t symbol, Cell* out) {
    int32_t index = find_symbol(context, symbol, false);
    if (index >= 0) {
        *out = *word_at(context, index);
        return out;
    }
    return word::make_at_result(symbol, out);
}

Cell* value_at(Ref context, int32_t index) {
    Cell* values_start = values(context);
    if (!values_start || index < 0) return nullptr;
    return values_start + index;
}

Cell* get_value_at(Ref context, int32_t index) {
    Cell* slot = value_at(context, index);
    if (!slot) fire_script("not-defined", word_at(context, index));
    return stack::push(slot);
}

int32_t bind_word(Ref context, Cell* word) {
    int32_t index = find_symbol(context, word->data2, true);
    if (index >= 0) {
        word->data1 = context;
        word->data3 = static_cast<uint32_t>(index);
    }
    return index;
}

Cell* bind_deep(Cell* block, Ref context, bool self) {
    uint32_t self_id = self ? self_symbol() : 0;
    BindIndex index(context);
    bind_block(value::series_node(block), context, self_id, index);
    return block;
}

bool add_set_words(Ref context, const Cell* block) {
    gc::RootRef keep(context); // adding words may renumber these nodes
    uint32_t before = word_count(context);
    Ref node = value::series_node(block);
    gc::RootRef keep_block(node);
    Cell head_cell = *block;
    uint32_t count;
    block_cells(&head_cell, &count);
    uint32_t start = node_cell_count(node) - count;
    for (uint32_t i = 0; i < count; ++i) {
        Cell word = node_cells(node)[start + i];
        if (cell_type(&word) == type_id::set_word) add_word(context, &word);
    }
    return word_count(context) > before;
}

Ref make_from_words(const Cell* block, bool values_on_stack, bool object, uint32_t kind) {
    Cell source = *block;
    uint32_t count;
    block_cells(&source, &count);
    Ref context = make_node(count, values_on_stack, object, 0, kind);
    Ref node = value::series_node(&source);
    uint32_t total = node_cell_count(node);
    for (uint32_t i = total - count; i < total; ++i) {
        Cell word = node_cells(node)[i];
        uint8_t type = cell_type(&word);
        if (type == type_id::word || type == type_id::get_word || type == type_id::lit_word ||
            type == type_id::refinement)
            find_symbol_ext(context, word.data2, true, nullptr);
    }
    if (!values_on_stack) {
        SeriesBuffer* v = node_buffer(header(context)->data2);
        uint32_t words = word_count(context);
        if (words * sizeof(Cell) > v->size) v = series::expand(v, uint64_t{words} * sizeof(Cell));
        auto* cells = reinterpret_cast<Cell*>(buffer_head(v));
        for (uint32_t i = 0; i < words; ++i) cells[i] = Cell{type_id::unset, 0, 0, 0};
        v->tail = v->head + words * sizeof(Cell);
    }
    return context;
}

Ref clone(Cell* value, uint32_t kind) {
    Ref source = value->data1;
    uint32_t flags = header(source)->header;
    uint32_t count = word_count(source);
    Ref copy = make_node(count, (flags & flag::values_on_stack) != 0, (flags & flag::object) != 0,
                         source, kind);
    uint32_t words = word_count(copy);
    for (uint32_t i = 0; i < words; ++i) word_at(copy, static_cast<int32_t>(i))->data1 = copy;
    if (!(flags & flag::values_on_stack)) {
        SeriesBuffer* v = node_buffer(header(copy)->data2);
        auto* cells = reinterpret_cast<Cell*>(buffer_head(v));
        for (uint32_t i = 0; i < words; ++i) cells[i] = Cell{type_id::unset, 0, 0, 0};
    }
    value->data1 = copy;
    return copy;
}

namespace {
void mark_global() {
    gc::mark_context(&global);
}
} // namespace

void init_global() {
    global = make_node(global_slots, false, false, 0, kind::global);
    symbol_slots.clear();
    gc::add_mark_callback(mark_global);
}

void init() {
    datatype::SlotList slots;
    datatype::register_type(type_id::context, 0, "context!", slots);
}

} // namespace zep::context
