// Non-negative big integers for exact float/text conversion.
//
// A record holds 2^k 32-bit words, least significant first. Records of class
// 7 (128 words) or below are recycled through one free list per class, so
// conversions allocate nothing once the lists are warm; larger records come
// from and go back to the tracked heap.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zep::float_ {

struct Bigint {
    Bigint* next; // free-list link
    int k;        // size class: capacity is 2^k words
    int capacity;
    int used; // words in use; the top used word is non-zero (0 words: zero)
    uint32_t* words() { return reinterpret_cast<uint32_t*>(this + 1); }
    const uint32_t* words() const { return reinterpret_cast<const uint32_t*>(this + 1); }
};

constexpr int largest_recycled_class = 7;

// A record of class k, value zero. Exhausting the heap ends the process.
Bigint* bigint_alloc(int k);
void bigint_free(Bigint* b);
// Records currently waiting on the free lists (for tests).
size_t bigint_free_count();

// Owner of one record, growing it (to a larger class) as results need.
class Big {
  public:
    Big();
    explicit Big(uint64_t v);
    ~Big();
    Big(const Big&) = delete;
    Big& operator=(const Big&) = delete;

    void assign(uint64_t v);
    void assign(const Big& other);

    int size() const { return rec_->used; }
    uint32_t word(int i) const { return i < rec_->used ? rec_->words()[i] : 0; }
    bool is_zero() const { return rec_->used == 0; }
    int bit_length() const;
    // True when some of the lowest `bits` bits are set.
    bool has_bits_below(int bits) const;
    // The value shifted right by `bits` (at most 64 bits must remain).
    uint64_t shifted_right(int bits) const;

    void mul_small(uint32_t m);
    void add_small(uint32_t a);
    void mul_pow5(int n);
    void mul_pow10(int n);
    void shift_left(int bits);
    void add(const Big& b);
    // *this -= b; requires *this >= b.
    void sub(const Big& b);

    // Quotient q < 2^32 of *this / (d * 2^(32 * word_shift)); the remainder is
    // left in *this. d must be normalised (top word's top bit set) and the
    // quotient must fit in 32 bits.
    uint32_t divide_step(const Big& d, int word_shift);

    // -1, 0 or 1.
    static int compare(const Big& a, const Big& b);

  private:
    void reserve(int words);
    void trim();
    int compare_shifted(const Big& d, int word_shift) const;
    void sub_shifted(const Big& d, uint32_t q, int word_shift);

    Bigint* rec_;
};

} // namespace zep::float_
