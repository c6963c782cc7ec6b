// Drives the literal datatypes' codecs and money arithmetic from standard
// input, one case a line, for the oracle checks in Python:
//   literals_probe codec   lines "e|d BASE HEX": encode the bytes (print the
//                          text) or decode the text given as hex bytes
//                          (print the bytes as hex, or "none")
//   literals_probe money   lines "OP A B" with OP add, subtract, multiply,
//                          divide or remainder and each operand a money text
//                          ($1.25, -$3) or a number (i:7, f:0.1); prints
//                          the molded result or "error CODE"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "boot/startup.h"
#include "datatypes/binary_codec.h"
#include "datatypes/money.h"
#include "evaluator/error_value.h"
#include "evaluator/runtime_words.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/heap.h"
#include "runtime/platform.h"
#include "runtime/value_make.h"

using namespace zep;

namespace {

const char* mode = "codec";

std::string from_hex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string to_hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

void run_codec() {
    std::string op, hex;
    int base;
    while (std::cin >> op >> base >> hex) {
        if (hex == "-") hex.clear();
        std::string data = from_hex(hex);
        const auto* p = reinterpret_cast<const unsigned char*>(data.data());
        if (op == "e") {
            auto text = binary::codec::encode(base, p, data.size());
            std::printf("%s\n", text ? text->c_str() : "none");
        } else {
            auto bytes = binary::codec::decode(base, p, data.size());
            std::printf("%s\n", bytes ? (bytes->empty() ? "-" : to_hex(*bytes).c_str()) : "none");
        }
    }
}

void operand(const std::string& text, Cell* out) {
    if (text.rfind("i:", 0) == 0) {
        value::set_integer(out, std::atoi(text.c_str() + 2));
    } else if (text.rfind("f:", 0) == 0) {
        value::set_float(out, std::strtod(text.c_str() + 2, nullptr));
    } else if (!money::from_text(out, text.data(), text.size())) {
        std::printf("bad operand %s\n", text.c_str());
        std::exit(1);
    }
}

int op_code(const std::string& name) {
    const char* names[] = {"add", "subtract", "multiply", "divide", "remainder"};
    for (int i = 0; i < 5; ++i)
        if (name == names[i]) return i;
    std::exit(1);
}

void run_money() {
    std::string op, a, b;
    while (std::cin >> op >> a >> b) {
        Cell* cells = stack::push_slot();
        stack::push_slot();
        operand(a, cells);
        operand(b, cells + 1);
        stack::ArgumentStack saved_arguments = stack::arguments;
        stack::Frame* saved_frames = stack::frames.top;
        stack::mark_try(words::global_word(words::global::body));
        try {
            money::do_math(cells, cells + 1, op_code(op));
            char text[64];
            money::format(cells, text);
            std::printf("%s\n", text);
        } catch (const catch_::Unwind& u) {
            if (u.code != catch_::code_error) throw;
            catch_::exception_slot = 0;
            std::printf("error %d\n", error::code_of(stack::top()));
        }
        stack::arguments = saved_arguments;
        stack::frames.top = saved_frames;
        stack::pop(2);
    }
}

int run(void*) {
    catch_::run_outermost([] {
        boot::init_interpreter();
        if (std::strcmp(mode, "money") == 0)
            run_money();
        else
            run_codec();
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
