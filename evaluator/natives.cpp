#include "evaluator/natives.h"

#include "evaluator/compiled_support.h"
#include "runtime/memory.h"
#include "runtime/root_block.h"
#include "runtime/value_make.h"

namespace zep::natives {

Entry table[table_capacity + 1] = {};
int32_t next_index = 1;

namespace {
// The print scratch block's cell index in the root block (0: not made).
uint32_t scratch_index = 0;
} // namespace

void not_done(bool, const int32_t*) {
    error::fire(error::Category::internal, "not-done");
}

void register_table(int32_t count, const Entry* entries) {
    for (int32_t i = 0; i < count && next_index <= table_capacity; ++i) {
        table[next_index++] = entries[i];
    }
}

void set_entry(int32_t index, Entry entry) {
    if (index >= 1 && index <= table_capacity) table[index] = entry;
}

void register_all() {
    next_index = 1;
    Entry fillers[native_count];
    for (Entry& e : fillers) e = &not_done;
    register_table(native_count, fillers);
    register_groups();
}

void register_() {
    for (Entry& e : table) e = nullptr;
    Cell scratch;
    value::set_series(&scratch, type_id::block, series::alloc_cells(print_scratch_cells));
    scratch_index = roots::length();
    roots::append(&scratch);
    register_all();
}

void forget() {
    scratch_index = 0;
}

Cell* print_scratch() {
    if (scratch_index == 0 || !roots::block) return nullptr;
    return node_cells(roots::block) + scratch_index;
}

} // namespace zep::natives
