// Starts the interpreter the way the executable does (platform start, large
// stack, outermost catch record, start-up) and then, by mode:
//   startup_probe state   prints what start-up made, one fact a line
//   startup_probe raise   raises math zero-divide from the lowest layer,
//                         with nothing to receive it
#include <cstdio>
#include <cstring>

#include "boot/startup.h"
#include "datatypes/context.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/hashtable.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/ownership.h"
#include "runtime/platform.h"
#include "runtime/raise.h"
#include "runtime/root_block.h"
#include "runtime/slots.h"

using namespace zep;

namespace {

const char* mode = "state";

// The node held by the root block's cell at the index.
Ref root_node(uint32_t index) {
    return reinterpret_cast<Cell*>(buffer_head(node_buffer(roots::block)))[index].data2;
}

// True when the type's row of the action table holds at least one slot.
bool has_slots(uint8_t type) {
    for (int slot = 1; slot <= action_slot::count; ++slot) {
        if (actions::slot_of(type, slot)) return true;
    }
    return false;
}

// One line per registered type in id order: its name, whether its type
// word names it, and whether its action row holds anything.
void print_types() {
    for (int type = 1; type < type_rows; ++type) {
        const TypeRow& row = datatype::type_table[type];
        if (!row.name) continue;
        bool word_ok = cell_type(&row.word) == type_id::word &&
                       std::strcmp(symbol::utf8_text(row.word.data2), row.name) == 0;
        std::printf("row %d: %s word %d slots %d\n", type, row.name, word_ok,
                    has_slots(static_cast<uint8_t>(type)));
    }
}

void print_state() {
    std::printf("root cells: %u\n", roots::length());
    std::printf("argument stack held: %d\n", root_node(0) == stack::argument_block);
    std::printf("frame stack held: %d\n", root_node(1) == stack::frame_block);
    std::printf("symbol block held: %d\n", root_node(2) == symbol::block());
    std::printf("slot registry held: %d\n", root_node(roots::length() - 1) == slots::registry);
    std::printf("argument cells: %td\n", stack::arguments.end - stack::arguments.begin);
    std::printf("frame records: %td\n", stack::frames.end - stack::frames.begin);
    std::printf("stacks at bottom: %d\n", stack::arguments.top == stack::arguments.begin &&
                                              stack::frames.top == stack::frames.begin);
    std::printf("first node frame: %u\n",
                memory::node_frame_at(memory::record.first_node_frame)->capacity);
    std::printf("owner table kind: %u\n", hash::table_at(ownership::table())->kind);
    std::printf("global context words: %u\n", context::word_count(context::global) > 0);
    std::printf("type word: %s\n",
                symbol::utf8_text(datatype::type_table[type_id::logic].word.data2));
    std::printf("collector on: %d\n", memory::collector_enabled);
    print_types();
}

int run(void*) {
    catch_::run_outermost([] {
        boot::init_interpreter();
        if (std::strcmp(mode, "raise") == 0)
            error::fire_named(error::Category::math, "zero-divide");
        print_state();
    });
    runtime::release_heap();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) mode = argv[1];
    platform::init(argc, argv);
    return platform::run_on_large_stack(run, nullptr);
}
