// Speed of symbol interning and context word lookup, in nanoseconds per call.
// Build (from the repository root, after scripts/build):
//   g++ -O2 -std=c++20 -ffp-contract=off -I. bench/symbol_bench.cpp
//       build/libzepcore.a -lcrypto -lz -o build/symbol_bench
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "datatypes/context.h"
#include "datatypes/symbol.h"
#include "runtime/arena.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

using namespace zep;

namespace {

size_t sink = 0;

template <class F> void measure(const char* name, size_t count, F&& body) {
    auto start = std::chrono::steady_clock::now();
    body();
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    std::printf("%-36s %8.1f ns\n", name, spent.count() / count);
}

} // namespace

int main() {
    arena::init();
    memory::init();
    symbol::init_table();
    context::init_global();
    constexpr int n = 200000;
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) names.push_back("word-" + std::to_string(i * 7919));
    measure("intern new name", n, [&] {
        for (const auto& s : names) sink += symbol::make(s.c_str());
    });
    measure("intern existing name", n, [&] {
        for (const auto& s : names) sink += symbol::make(s.c_str());
    });
    measure("add word to global context", n, [&] {
        for (int i = 1; i <= n; ++i) {
            Cell w;
            value::set_word(&w, type_id::word, context::global, static_cast<uint32_t>(i));
            sink += static_cast<size_t>(context::add_word(context::global, &w));
        }
    });
    measure("find symbol (any case)", n, [&] {
        for (int i = 1; i <= n; ++i)
            sink += static_cast<size_t>(
                context::find_symbol(context::global, static_cast<uint32_t>(i), true));
    });
    std::printf("(checksum %zu)\n", sink);
    return 0;
}
