// Starts the executable's way (start-up and the library's top level), then
// prints, for every action word, each datatype that implements the action
// but that the action's first argument does not accept, one per line:
// "append: port!". Prints nothing when the specs cover every implementation.
// series! (42) is left out: it only lends its slots to the series types, and
// no value has it.
#include <cstdio>

#include "boot/library_load.h"
#include "boot/startup.h"
#include "datatypes/context.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "datatypes/typeset.h"
#include "evaluator/call.h"
#include "runtime/arena.h"
#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/platform.h"

using namespace zep;

namespace {

constexpr const char* action_words[] = {
    "make",    "random",   "reflect", "to",      "form",     "mold",       "eval-path", nullptr,
    "compare", "absolute", "add",     "divide",  "multiply", "negate",     "power",     "remainder",
    "round",   "subtract", "even?",   "odd?",    "and~",     "complement", "or~",       "xor~",
    "append",  "at",       "back",    "change",  "clear",    "copy",       "find",      "head",
    "head?",   "index?",   "insert",  "length?", "move",     "next",       "pick",      "poke",
    "put",     "remove",   "reverse", "select",  "sort",     "skip",       "swap",      "tail",
    "tail?",   "take",     "trim",    "create",  "close",    "delete",     "modify",    "open",
    "open?",   "query",    "read",    "rename",  "update",   "write"};

void report() {
    int action = 0;
    for (const char* name : action_words) {
        ++action;
        if (!name) continue;
        Cell function = *context::global_value(symbol::make(name));
        if (cell_type(&function) != type_id::action) {
            std::printf("%s: not an action\n", name);
            continue;
        }
        Ref spec = interp::call_spec_of(&function);
        Cell first = arena::at<Cell>(node_buffer(spec)->head)[0];
        for (uint32_t t = 1; t < type_rows; ++t) {
            const char* type_name = datatype::type_table[t].name;
            if (type_name && t != type_id::series && actions::slot_of(t, action) &&
                !typeset::has_type(&first, static_cast<uint8_t>(t)))
                std::printf("%s: %s\n", name, type_name);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    platform::init(argc, argv);
    auto body = [] {
        catch_::run_outermost([] {
            boot::init_interpreter();
            boot::bootstrap_library();
            boot::load_library();
            report();
        });
        return 0;
    };
    return platform::run_on_large_stack(body);
}
