// Raises an error that no try or barrier frame receives, so that a check can
// see what is printed and the exit status:
//   uncaught_probe script|throw
#include <cstring>

#include "boot/startup.h"
#include "datatypes/context.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/arena.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

using namespace zep;

int main(int argc, char** argv) {
    arena::init();
    boot::init_core();
    Cell fn;
    word::make_at(symbol::make("probe-fn"), &fn);
    stack::mark_native(&fn);
    Cell* text = stack::push_slot();
    string::make_at(text, 8);
    string::append_text(text, "a text");
    Cell arg = *text;
    if (argc > 1 && std::strcmp(argv[1], "throw") == 0) {
        stack::reset();
        stack::push(&arg);
        Cell none;
        value::set_none(&none);
        stack::push(&none);
        stack::throw_(0x7FFFFFFA);
    }
    error::fire(error::Category::script, "invalid-arg", &arg);
}
