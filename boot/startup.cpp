#include "boot/startup.h"

#include "datatypes/action.h"
#include "datatypes/binary.h"
#include "datatypes/bitset.h"
#include "datatypes/block.h"
#include "datatypes/char.h"
#include "datatypes/context.h"
#include "datatypes/datatype.h"
#include "datatypes/date.h"
#include "datatypes/email.h"
#include "datatypes/error.h"
#include "datatypes/file.h"
#include "datatypes/float.h"
#include "datatypes/function.h"
#include "datatypes/hash.h"
#include "datatypes/integer.h"
#include "datatypes/issue.h"
#include "datatypes/logic.h"
#include "datatypes/map.h"
#include "datatypes/money.h"
#include "datatypes/native.h"
#include "datatypes/none.h"
#include "datatypes/object.h"
#include "datatypes/op.h"
#include "datatypes/pair.h"
#include "datatypes/paren.h"
#include "datatypes/path.h"
#include "datatypes/percent.h"
#include "datatypes/point.h"
#include "datatypes/ref.h"
#include "datatypes/registry.h"
#include "datatypes/routine.h"
#include "datatypes/series.h"
#include "datatypes/string_actions.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/tag.h"
#include "datatypes/time.h"
#include "datatypes/triple.h"
#include "datatypes/tuple.h"
#include "datatypes/typeset.h"
#include "datatypes/unset.h"
#include "datatypes/url.h"
#include "datatypes/word.h"
#include "evaluator/actions.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "evaluator/parse.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/collector.h"
#include "runtime/handles.h"
#include "runtime/memory.h"
#include "runtime/output_hooks.h"
#include "runtime/ownership.h"
#include "runtime/platform.h"
#include "runtime/root_block.h"
#include "runtime/slots.h"
#include "runtime/value_make.h"
#include "services/lexer.h"
#include "services/random.h"

namespace zep::boot {

namespace {

// Registration in the documented type order, which also puts every parent
// before its children (a child copies its parent's slots as it registers).
// Types not built yet keep empty rows.
void register_datatypes() {
    datatype::init_tables();
    datatype::init();
    unset::init();
    none::init();
    logic::init();
    series::init();
    block::init();
    string::init();
    binary::init();
    integer::init();
    symbol::init();
    context::init();
    word::init();
    lit_word::init();
    set_word::init();
    get_word::init();
    refinement::init();
    char_::init();
    native::init();
    action::init();
    op::init();
    path::init();
    lit_path::init();
    set_path::init();
    get_path::init();
    function::init();
    routine::init();
    paren::init();
    issue::init();
    url::init();
    file::init();
    object::init();
    bitset::init();
    triple::init();
    float_::init();
    typeset::init();
    error::init();
    map::init();
    hash::init();
    pair::init();
    percent::init();
    tuple::init();
    time::init();
    tag::init();
    email::init();
    date::init();
    money::init();
    ref::init();
    point::init2();
    point::init3();
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
    random::init();
    init_core();
}

void init_core() {
    memory::init();
    memory::collector_enabled = false;
    // Each module registers its collector callbacks as it starts, below.
    gc::init_stats();
    handles::init();
    register_datatypes();
    actions::register_table();
    memory::alloc_node_frame(first_node_frame_nodes);
    memory::alloc_series_frame();
    Cell symbol_block = make_root_block();
    context::init_global();
    symbol::init_table(first_symbol_capacity, &symbol_block);
    datatype::make_type_words();
    words::init_runtime_words();
    words::init_refinement_words();
    words::init_internal_words();
    natives::register_();
    parse::init();
    ownership::init();
    stack::init();
    cycles::init();
    cycles::reset();
    lexer::init();
    object::reset_class_ids();
    error::init_catalog();
    interp::init();
    slots::init();
    roots::hold(slots::registry);
    error::install_raise();
    gc::enable();
}

void forget_core() {
    memory::collector_enabled = false;
    memory::start_collection = nullptr;
    gc::init_stats(); // the callbacks name what goes with the core
    error::set_fire_hook(nullptr);
    error::forget_catalog();
    error::trace_hook = nullptr;
    interp::forget();
    natives::forget();
    parse::forget();
    ownership::forget();
    slots::registry = 0;
    slots::free_head = -1;
    stack::forget_blocks();
    symbol::table = 0;
    context::global = 0;
    roots::forget();
    string::release_scratch();
    datatype::init_tables();
}

} // namespace zep::boot
