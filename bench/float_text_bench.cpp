// Speed of float/text conversion, in nanoseconds per call.
// Build (from the repository root, after scripts/build):
//   g++ -O2 -std=c++20 -ffp-contract=off -I. bench/float_text_bench.cpp
//       build/libzepcore.a -lcrypto -lz -o build/float_text_bench
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/float_text.h"

using namespace zep;

namespace {

size_t sink = 0;

template <class F> void measure(const char* name, size_t count, F&& body) {
    auto start = std::chrono::steady_clock::now();
    body();
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    std::printf("%-32s %8.0f ns\n", name, spent.count() / count);
}

} // namespace

int main() {
    std::mt19937_64 random(1);
    std::vector<double> any, money;
    while (any.size() < 300000) {
        uint64_t bits = random();
        double x;
        std::memcpy(&x, &bits, sizeof x);
        if (std::isfinite(x)) any.push_back(x);
    }
    for (int i = 0; i < 300000; ++i) money.push_back(static_cast<double>(random() % 1000000) / 100);

    measure("shortest, any double", any.size(), [&] {
        for (double x : any) sink += float_::dtoa(x, 0, true).length;
    });
    measure("shortest, 2-decimal values", money.size(), [&] {
        for (double x : money) sink += float_::dtoa(x, 0, true).length;
    });
    measure("6 digits, any double", any.size(), [&] {
        for (double x : any) sink += float_::dtoa(x, 6, true).length;
    });
    std::vector<std::string> long_texts, short_texts;
    for (double x : any) long_texts.emplace_back(float_::form(x, 0, true));
    for (double x : money) short_texts.emplace_back(float_::form(x, 0, true));
    measure("read shortest text, any double", long_texts.size(), [&] {
        for (auto& t : long_texts) sink += float_::from_text(t.data(), t.data() + t.size(), 0) > 0;
    });
    measure("read 2-decimal text", short_texts.size(), [&] {
        for (auto& t : short_texts) sink += float_::from_text(t.data(), t.data() + t.size(), 0) > 0;
    });
    return sink == 0;
}
