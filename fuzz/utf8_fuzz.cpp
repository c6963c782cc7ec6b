// libFuzzer target for the UTF-8 decoders and encoders. Checks, on any input:
// the stepper consumes at least one byte per step and never reads past the
// range; the strict decoder and the stepper agree on every accepted character;
// every accepted character re-encodes to exactly the bytes it was read from
// (so no overlong or surrogate form is accepted); truncation is reported only
// at the end of the input. The loaders then take the same bytes as UTF-8 and
// as UTF-16LE; whatever loads must convert back to the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/unicode/conversion.h"
#include "runtime/unicode/text_cell.h"
#include "runtime/unicode/text_load.h"
#include "runtime/unicode/utf16.h"
#include "runtime/unicode/utf8.h"

using namespace zep::unicode;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void check_steps(const unsigned char* data, size_t size) {
    const unsigned char* end = data + size;
    uint32_t steps = 0;
    for (const unsigned char* p = data; p < end; ++steps) {
        int32_t cp;
        const unsigned char* next = decode_utf8_step(p, end, cp);
        check(next > p && next <= end);
        Utf8Char strict = decode_utf8_checked(p, static_cast<uint32_t>(end - p));
        if (cp >= 0) {
            check(strict.status == Utf8Char::ok && strict.cp == cp && p + strict.length == next);
        } else {
            check(strict.status != Utf8Char::ok);
        }
        p = next;
    }
    check(count_utf8_chars(data, end) == steps);
    check(skip_utf8_chars(data, end, steps) == end);
}

void check_strict(const unsigned char* data, size_t size) {
    std::vector<uint32_t> cps;
    size_t pos = 0;
    while (pos < size) {
        uint32_t available = static_cast<uint32_t>(size - pos);
        Utf8Char c = decode_utf8_checked(data + pos, available);
        if (c.status == Utf8Char::truncated) {
            check(c.length == available);
            break;
        }
        if (c.status == Utf8Char::invalid) {
            check(c.length >= 1 && c.length <= 4 && c.length <= available);
            break;
        }
        unsigned char again[4];
        uint32_t n = encode_utf8(static_cast<uint32_t>(c.cp), again);
        check(n == c.length && std::memcmp(again, data + pos, n) == 0);
        check(!(c.cp >= 0xD800 && c.cp <= 0xDFFF));
        check(utf8_length_of(static_cast<uint32_t>(c.cp)) == n);
        unsigned char u16[4];
        check(encode_utf16_char(static_cast<uint32_t>(c.cp), u16) == (c.cp < 0x10000 ? 1u : 2u));
        cps.push_back(static_cast<uint32_t>(c.cp));
        pos += c.length;
    }
    // The accepted prefix sizes back to its own length.
    std::vector<unsigned char> units(cps.size() * 4);
    for (size_t i = 0; i < cps.size(); ++i) std::memcpy(&units[i * 4], &cps[i], 4);
    check(utf8_size_of_series(units.data(), units.data() + units.size(), 4) == pos);
}

// Loads the input as UTF-8 (a leading BOM skipped, no line-end handling) and
// converts it back: the bytes must come back unchanged up to what was unread.
void check_utf8_load(const unsigned char* data, size_t size) {
    uint32_t unread = 0;
    zep::Cell cell{};
    uint32_t code = zep::catch_::receive(zep::catch_::threshold_call, [&] {
        zep::Ref node = load_utf8(data, static_cast<uint32_t>(size), nullptr, &unread, false);
        make_text_cell(&cell, node);
    });
    if (code != 0) return; // invalid UTF-8, checked against the strict decoder above
    size_t start = size > 2 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
    int32_t length = -1;
    unsigned char* utf8 = to_utf8_cstr(&cell, length);
    check(static_cast<size_t>(length) + unread + start == size);
    check(std::memcmp(utf8, data + start, static_cast<size_t>(length)) == 0);
}

// Loads the input as UTF-16LE units; converted back it must be unchanged.
void check_utf16_load(const unsigned char* data, size_t size) {
    uint32_t units = static_cast<uint32_t>(size / 2);
    zep::Cell cell{};
    uint32_t code = zep::catch_::receive(zep::catch_::threshold_call, [&] {
        zep::SeriesBuffer* b = load_utf16le(data, units, nullptr, false);
        make_text_cell(&cell, b->node);
    });
    if (code != 0) return;
    int32_t count = -1;
    unsigned char* utf16 = to_utf_buffer(&cell, count, false);
    check(utf16 != nullptr && static_cast<uint32_t>(count) == units);
    check(std::memcmp(utf16, data, size_t{units} * 2) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check_steps(data, size);
    check_strict(data, size);
    // Nothing survives a run, so the memory manager is reset now and then
    // instead of collecting.
    static uint32_t runs = 0;
    if (runs++ % 1000 == 0) zep::memory::init();
    if (size > 0) {
        check_utf8_load(data, size);
        check_utf16_load(data, size);
    }
    return 0;
}
