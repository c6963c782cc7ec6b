// Runs bitset operations read from standard input and prints the members of
// each result, for a check against a set model. One case a line:
//   <op> <spec A> | <spec B>
// A spec is "not" (optional) then items: "n" or the range "lo-hi". The op is
// or, and, xor, union, intersect, exclude, difference, complement (of A),
// append (B's items to A) or remove (B's items from A). The output line is
// the listing limit (the result's stored bits + 64), ":", the members below
// it, "|" and the membership far beyond them (1 or 0).
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "datatypes/bitset.h"
#include "datatypes/context.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

using namespace zep;

namespace {

uint32_t dash_symbol;

// The spec block of one side of a case.
void make_spec(std::istringstream& in, Cell* block) {
    Ref node = series::alloc_cells(4);
    value::set_series(block, type_id::block, node);
    std::string token;
    while (in >> token && token != "|") {
        Cell* item = series::alloc_tail_cell(node_buffer(node));
        if (token == "not") {
            *item = words::symbol_words[words::symbol_word::not_];
            continue;
        }
        auto dash = token.find('-', 1);
        value::set_integer(item, std::stoi(token.substr(0, dash)));
        if (dash == std::string::npos) continue;
        value::set_word(series::alloc_tail_cell(node_buffer(node)), type_id::word, 0, dash_symbol);
        value::set_integer(series::alloc_tail_cell(node_buffer(node)),
                           std::stoi(token.substr(dash + 1)));
    }
}

int op_code(const std::string& name) {
    static const struct {
        const char* name;
        int code;
    } table[] = {{"or", bitset::op::or_},
                 {"and", bitset::op::and_},
                 {"xor", bitset::op::xor_},
                 {"union", bitset::op::union_},
                 {"intersect", bitset::op::intersect},
                 {"exclude", bitset::op::exclude},
                 {"difference", bitset::op::difference}};
    for (const auto& entry : table)
        if (name == entry.name) return entry.code;
    return -1;
}

} // namespace

int main() {
    memory::init();
    memory::collector_enabled = false;
    symbol::init_table();
    context::init_global();
    words::init_runtime_words();
    stack::init();
    error::install_raise();
    dash_symbol = symbol::make("-");

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string op;
        in >> op;
        Cell spec_a, spec_b, a, b, result;
        make_spec(in, &spec_a);
        make_spec(in, &spec_b);
        bitset::make(&a, &spec_a, type_id::bitset);
        bitset::make(&b, &spec_b, type_id::bitset);
        if (op == "complement") {
            result = a;
            bitset::complement(&result);
        } else if (op == "append") {
            // The block's items, without a leading `not`.
            result = a;
            bitset::append(&result, &spec_b, -1, false, 1, true);
        } else if (op == "remove") {
            result = a;
            bitset::remove(&result, &spec_b, nullptr);
        } else {
            bitset::combine(&result, &a, &b, op_code(op));
        }
        uint32_t limit = static_cast<uint32_t>(bitset::length(&result)) + 64;
        std::printf("%u :", limit);
        for (uint32_t i = 0; i < limit; ++i)
            if (bitset::test_bit(&result, i)) std::printf("%u ", i);
        std::printf("| %d\n", bitset::test_bit(&result, 1000000) ? 1 : 0);
    }
    return 0;
}
