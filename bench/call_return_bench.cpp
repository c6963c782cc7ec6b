// Cost of a function call that ends with `return` against one that falls
// off the end of its body, and of a return that must take the throwing path
// (through a frame that does not poll pending exits), in nanoseconds per call.
// Build (from the repository root, after scripts/build):
//   g++ -O2 -std=c++20 -ffp-contract=off -I. bench/call_return_bench.cpp
//       build/libzepcore.a -lcrypto -lz -o build/call_return_bench
#include <chrono>
#include <cstdio>
#include <string>

#include "boot/startup.h"
#include "datatypes/block.h"
#include "datatypes/context.h"
#include "datatypes/native.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/actions.h"
#include "evaluator/call.h"
#include "evaluator/interp.h"
#include "evaluator/natives.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

using namespace zep;

namespace {

Cell* load(const std::string& text) {
    Cell* source = string::load(reinterpret_cast<const unsigned char*>(text.data()),
                                static_cast<uint32_t>(text.size()), string::encoding::utf8);
    Cell* block = stack::push_slot();
    value::set_none(block);
    block::load_text(source, block);
    return block;
}

void run(const std::string& text) {
    Cell* saved = stack::arguments.top;
    interp::eval_block(load(text), false);
    stack::arguments.top = saved;
}

void define_native(const char* name, const char* spec, int32_t index) {
    Cell* saved = stack::arguments.top;
    Cell* spec_block = stack::push(block::cell_at(load(spec), 0));
    Cell made;
    native::make_value(&made, spec_block, index);
    context::set_global(symbol::make(name), &made);
    stack::arguments.top = saved;
}

// Used only while the return and do natives are not linked in.
void return_standin(bool, const int32_t*) {
    if (!interp::request_exit(catch_::code_return, stack::base())) stack::throw_exit(true);
}
void do_standin(bool, const int32_t*) {
    interp::eval_block(stack::base(), true);
}

void measure(const char* name, const char* define, int count) {
    run(define);
    Cell* saved = stack::arguments.top;
    Cell* calls = load("f 1 f 2 f 3 f 4 f 5 f 6 f 7 f 8 f 9 f 10");
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count / 10; ++i) {
        interp::eval_block(calls, false);
        stack::pop(1);
    }
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    stack::arguments.top = saved;
    std::printf("%-40s %8.1f ns\n", name, spent.count() / count);
}

} // namespace

int main() {
    memory::init();
    boot::init_core();
    actions::register_table();
    natives::register_();
    interp::init();
    for (uint8_t t = 1; t <= datatype::highest_type(); ++t) {
        if (!datatype::type_table[t].name) continue;
        Cell type;
        value::set_datatype(&type, t);
        context::set_global(symbol::make(datatype::type_table[t].name), &type);
    }
    if (natives::entry_at(natives::index::return_) == &natives::not_done)
        natives::set_entry(natives::index::return_, &return_standin);
    if (natives::entry_at(natives::index::do_) == &natives::not_done)
        natives::set_entry(natives::index::do_, &do_standin);
    define_native("func", "[spec [block!] body [block!]]", natives::index::func);
    define_native("return", "[value]", natives::index::return_);
    define_native("do", "[code [block!]]", natives::index::do_);
    const int count = 1000000;
    measure("falls off the end", "f: func [a] [a]", count);
    measure("ends with return", "f: func [a] [return a]", count);
    measure("return inside do (throwing path)", "f: func [a] [do [return a]]", count);
    return 0;
}
