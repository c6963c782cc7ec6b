// Runs integer!, time! and mixed arithmetic and rounding on operands read
// from standard input, one operation a line, and prints each result, for
// integer_model_check.py to compare with its model. Lines:
//   I op a b          integer a (op) integer b, op a math op code
//   P a b             integer a ** integer b
//   R n scale flags   round integer n (scale "-" for none), round flag bits
//   T op x kind v     time x (op) v, kind i (integer), f (float) or t (time)
//   M op a kind v     integer a (op) v, kind f or t
//   Q x scale flags   round/to time x by the float scale
// Doubles are hexadecimal ("%a"). Results: "i N", "f HEX", "t HEX", or
// "e category/id" for an error.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "boot/startup.h"
#include "datatypes/char.h"
#include "datatypes/float.h"
#include "datatypes/integer.h"
#include "datatypes/registry.h"
#include "datatypes/symbol.h"
#include "datatypes/time.h"
#include "evaluator/compiled_support.h"
#include "evaluator/error_value.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/error_catalog.h"
#include "runtime/value_make.h"

using namespace zep;

namespace {

Cell frame_word;

void start() {
    boot::init_core();
    value::set_word(&frame_word, type_id::word, 0, symbol::make("probe"));
    stack::mark_try(&frame_word);
}

std::string error_name(int32_t code) {
    using error::Category;
    for (const char* id : {"zero-divide", "overflow"})
        if (error::catalog::code_of(Category::math, id) == code) return std::string("math/") + id;
    for (const char* id : {"not-related", "cannot-use", "invalid-type", "type-limit"})
        if (error::catalog::code_of(Category::script, id) == code)
            return std::string("script/") + id;
    return "code " + std::to_string(code);
}

void print(const Cell& c) {
    switch (cell_type(&c)) {
    case type_id::integer:
        std::printf("i %d\n", value::integer_of(&c));
        break;
    case type_id::float_:
        std::printf("f %a\n", value::double_of(&c));
        break;
    case type_id::time:
        std::printf("t %a\n", value::double_of(&c));
        break;
    default:
        std::printf("? type %d\n", cell_type(&c));
    }
}

// Runs body, printing its result cell or its error.
template <class Body> void run(Body&& body) {
    Cell result;
    try {
        result = body();
    } catch (const catch_::Unwind& u) {
        if (u.code != catch_::code_error) std::abort();
        std::printf("e %s\n", error_name(error::code_of(stack::top())).c_str());
        stack::reset();
        stack::mark_try(&frame_word);
        return;
    }
    print(result);
}

Cell run_action(void (*action)(), const Cell& a, const Cell& b) {
    stack::mark_native(&frame_word);
    stack::push(&a);
    stack::push(&b);
    action();
    Cell result = *stack::base();
    stack::unwind_drop();
    return result;
}

Cell number(char kind, const char* text) {
    Cell c;
    if (kind == 'i')
        value::set_integer(&c, static_cast<int32_t>(std::strtol(text, nullptr, 10)));
    else
        value::set_double(&c, kind == 't' ? type_id::time : type_id::float_,
                          std::strtod(text, nullptr));
    return c;
}

void (*const integer_ops[])() = {integer::add,    integer::subtract,  integer::multiply,
                                 integer::divide, integer::remainder, integer::or_,
                                 integer::and_,   integer::xor_};
void (*const time_ops[])() = {
    time::add, time::subtract, time::multiply, time::divide,
    [] { actions::slot_as<FrameFn>(type_id::time, action_slot::remainder)(); }};

} // namespace

int main() {
    start();
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        char kind = 0, operand_kind = 0;
        int op = 0;
        char a[64], b[64], c[64];
        if (std::sscanf(line, "I %d %63s %63s", &op, a, b) == 3 && op >= 0 && op < 8) {
            run([&] { return run_action(integer_ops[op], number('i', a), number('i', b)); });
        } else if (std::sscanf(line, "P %63s %63s", a, b) == 2) {
            run([&] { return run_action(integer::power, number('i', a), number('i', b)); });
        } else if (std::sscanf(line, "R %63s %63s %63s", a, b, c) == 3) {
            run([&] {
                Cell n = number('i', a), scale = number('i', b);
                integer::round(&n, std::strcmp(b, "-") == 0 ? nullptr : &scale,
                               static_cast<uint32_t>(std::atoi(c)));
                return n;
            });
        } else if (std::sscanf(line, "T %d %63s %c %63s", &op, a, &operand_kind, b) == 4 &&
                   op >= 0 && op < 5) {
            run([&] { return run_action(time_ops[op], number('t', a), number(operand_kind, b)); });
        } else if (std::sscanf(line, "M %d %63s %c %63s", &op, a, &operand_kind, b) == 4 &&
                   op >= 0 && op < 8) {
            run([&] {
                return run_action(integer_ops[op], number('i', a), number(operand_kind, b));
            });
        } else if (std::sscanf(line, "Q %63s %63s %63s", a, b, c) == 3) {
            run([&] {
                Cell x = number('t', a), scale = number('f', b);
                time::round(&x, &scale, static_cast<uint32_t>(std::atoi(c)));
                return x;
            });
        } else {
            std::printf("? bad line\n");
        }
        (void)kind;
    }
    return 0;
}
