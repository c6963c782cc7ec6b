#include "boot/startup.h"

#include "datatypes/context.h"
#include "datatypes/datatype.h"
#include "datatypes/logic.h"
#include "datatypes/none.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "datatypes/unset.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/case_fold.h"
#include "runtime/collector.h"
#include "runtime/handles.h"
#include "runtime/memory.h"
#include "runtime/output_hooks.h"
#include "runtime/ownership.h"
#include "runtime/platform.h"
#include "runtime/root_block.h"
#include "runtime/slots.h"
#include "runtime/value_make.h"

namespace zep::boot {

namespace {

// Registration order: parents before children.
void register_datatypes() {
    datatype::init_tables();
    datatype::init();
    unset::init();
    none::init();
    logic::init();
    symbol::init();
    context::init();
    word::init();
    lit_word::init();
    set_word::init();
    get_word::init();
    refinement::init();
}

// The root block, holding the two stack blocks and the symbol block; answers
// the symbol block as a cell for the symbol table.
Cell make_root_block() {
    roots::init();
    stack::make_blocks();
    roots::hold(stack::argument_block);
    roots::hold(stack::frame_block);
    Cell symbol_block;
    value::set_series(&symbol_block, type_id::block, series::alloc_cells(first_symbol_capacity));
    roots::append(&symbol_block);
    return symbol_block;
}

} // namespace

void init_interpreter() {
    output::init_hooks();
    platform::init_io();
    init_core();
}

void init_core() {
    memory::init();
    memory::collector_enabled = false;
    handles::init();
    register_datatypes();
    memory::alloc_node_frame(first_node_frame_nodes);
    memory::alloc_series_frame();
    Cell symbol_block = make_root_block();
    context::init_global();
    case_::init_tables();
    symbol::init_table(first_symbol_capacity, &symbol_block);
    datatype::make_type_words();
    words::init_runtime_words();
    words::init_refinement_words();
    words::init_internal_words();
    ownership::init();
    stack::init();
    cycles::init();
    cycles::reset();
    slots::init();
    roots::hold(slots::registry);
    error::install_raise();
    gc::init_stats();
    gc::enable();
}

void forget_core() {
    memory::collector_enabled = false;
    memory::start_collection = nullptr;
    error::set_fire_hook(nullptr);
    error::trace_hook = nullptr;
    ownership::forget();
    slots::registry = 0;
    slots::free_head = -1;
    stack::forget_blocks();
    symbol::table = 0;
    context::global = 0;
    roots::forget();
    datatype::init_tables();
}

} // namespace zep::boot
