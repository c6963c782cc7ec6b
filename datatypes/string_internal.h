// Helpers shared by the string buffer sources: unit arithmetic on a buffer
// and the clamped head of a text value.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

#include "runtime/cell.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/unicode/units.h"

namespace zep::string::detail {

inline uint32_t shift_of(const SeriesBuffer* b) {
    return unicode::unit_shift(buffer_unit(b));
}

// Units between the first used unit and the tail.
inline uint32_t used_units(const SeriesBuffer* b) {
    return (b->tail - b->head) >> shift_of(b);
}

// Address of a unit index counted from the first used unit.
inline unsigned char* unit_address(SeriesBuffer* b, uint32_t index) {
    return buffer_head(b) + (static_cast<uint64_t>(index) << shift_of(b));
}

// The value's head index clamped to [0, units in the buffer].
inline uint32_t clamped_head(const Cell* value, const SeriesBuffer* b) {
    int32_t index = static_cast<int32_t>(value->data1);
    uint32_t total = used_units(b);
    if (index < 0) return 0;
    return static_cast<uint32_t>(index) > total ? total : static_cast<uint32_t>(index);
}

// Makes room for `bytes` more bytes after the tail, expanding to twice the
// used size plus what is added. Answers the buffer, which may have moved.
SeriesBuffer* ensure_room(SeriesBuffer* b, uint64_t bytes);

// The unit a code point needs when poked into a buffer (unit-1 buffers hold
// Latin-1) or appended (the append path leaves unit 1 above 127).
inline uint32_t unit_for_poke(uint32_t cp) {
    return unicode::unit_for(cp);
}
inline uint32_t unit_for_append(uint32_t cp) {
    return cp <= 0x7F ? 1 : cp <= 0xFFFF ? 2 : 4;
}

// A block of n items on the tracked heap, freed when it goes out of scope
// (also when an error unwinds through it).
template <class T> class HeapBlock {
  public:
    explicit HeapBlock(size_t n)
        : items_(n ? static_cast<T*>(heap::alloc(n * sizeof(T))) : nullptr) {}
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(HeapBlock&& other) noexcept {
        std::swap(items_, other.items_);
        return *this;
    }
    HeapBlock(HeapBlock&& other) noexcept : items_(other.items_) { other.items_ = nullptr; }
    ~HeapBlock() { heap::free(items_); }
    T* data() { return items_; }
    T& operator[](size_t i) { return items_[i]; }

  private:
    T* items_;
};

// A symbol! cell stands for its name: the cell is replaced by a string! on
// the name, read from index 0. Other cells are left alone.
void text_of_symbol(Cell* cell);

// The internal-fault exits of unit switches: 101 in general, 100 where the
// copy routine meets a unit it cannot convert.
[[noreturn]] void case_fault();

} // namespace zep::string::detail
