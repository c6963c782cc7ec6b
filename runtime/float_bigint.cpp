#include "runtime/float_bigint.h"

#include <cstring>

#include "runtime/heap.h"

namespace zep::float_ {

namespace {

Bigint* free_lists[largest_recycled_class + 1] = {};

constexpr int initial_class = 4;

// The free lists hold tracked-heap blocks: forget them when the heap is released.
void forget_free_lists() {
    for (Bigint*& head : free_lists) head = nullptr;
}

int class_for(int words) {
    int k = 0;
    while ((1 << k) < words) ++k;
    return k;
}

} // namespace

Bigint* bigint_alloc(int k) {
    Bigint* b = nullptr;
    if (k <= largest_recycled_class && free_lists[k]) {
        b = free_lists[k];
        free_lists[k] = b->next;
    } else {
        static const bool hooked = (heap::on_free_all(forget_free_lists), true);
        (void)hooked;
        size_t words = size_t{1} << k;
        b = static_cast<Bigint*>(heap::alloc(sizeof(Bigint) + words * sizeof(uint32_t)));
        b->k = k;
        b->capacity = static_cast<int>(words);
    }
    b->next = nullptr;
    b->used = 0;
    return b;
}

void bigint_free(Bigint* b) {
    if (!b) return;
    if (b->k <= largest_recycled_class) {
        b->next = free_lists[b->k];
        free_lists[b->k] = b;
    } else {
        heap::free(b);
    }
}

size_t bigint_free_count() {
    size_t n = 0;
    for (Bigint* head : free_lists)
        for (Bigint* b = head; b; b = b->next) ++n;
    return n;
}

Big::Big() : rec_(bigint_alloc(initial_class)) {}

Big::Big(uint64_t v) : Big() {
    assign(v);
}

Big::~Big() {
    bigint_free(rec_);
}

void Big::reserve(int words) {
    if (words <= rec_->capacity) return;
    Bigint* grown = bigint_alloc(class_for(words));
    std::memcpy(grown->words(), rec_->words(), sizeof(uint32_t) * rec_->used);
    grown->used = rec_->used;
    bigint_free(rec_);
    rec_ = grown;
}

void Big::trim() {
    while (rec_->used > 0 && rec_->words()[rec_->used - 1] == 0) --rec_->used;
}

void Big::assign(uint64_t v) {
    uint32_t* w = rec_->words();
    w[0] = static_cast<uint32_t>(v);
    w[1] = static_cast<uint32_t>(v >> 32);
    rec_->used = 2;
    trim();
}

void Big::assign(const Big& other) {
    reserve(other.size());
    std::memcpy(rec_->words(), other.rec_->words(), sizeof(uint32_t) * other.size());
    rec_->used = other.size();
}

int Big::bit_length() const {
    if (rec_->used == 0) return 0;
    uint32_t top = rec_->words()[rec_->used - 1];
    return 32 * (rec_->used - 1) + (32 - __builtin_clz(top));
}

bool Big::has_bits_below(int bits) const {
    const uint32_t* w = rec_->words();
    int whole = bits / 32;
    for (int i = 0; i < whole && i < rec_->used; ++i)
        if (w[i]) return true;
    int part = bits % 32;
    return part && whole < rec_->used && (w[whole] & ((uint32_t{1} << part) - 1));
}

uint64_t Big::shifted_right(int bits) const {
    int first = bits / 32;
    int part = bits % 32;
    uint64_t low = word(first) | (uint64_t{word(first + 1)} << 32);
    uint64_t high = word(first + 2);
    return part ? (low >> part) | (high << (64 - part)) : low;
}

void Big::mul_small(uint32_t m) {
    reserve(rec_->used + 1);
    uint32_t* w = rec_->words();
    uint64_t carry = 0;
    for (int i = 0; i < rec_->used; ++i) {
        uint64_t t = uint64_t{w[i]} * m + carry;
        w[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    if (carry) w[rec_->used++] = static_cast<uint32_t>(carry);
    if (m == 0) rec_->used = 0;
}

void Big::add_small(uint32_t a) {
    reserve(rec_->used + 1);
    uint32_t* w = rec_->words();
    uint64_t carry = a;
    for (int i = 0; carry; ++i) {
        if (i == rec_->used) w[rec_->used++] = 0;
        uint64_t t = uint64_t{w[i]} + carry;
        w[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
}

void Big::mul_pow5(int n) {
    constexpr uint32_t pow5_13 = 1220703125; // the largest power of 5 below 2^32
    for (; n >= 13; n -= 13) mul_small(pow5_13);
    uint32_t rest = 1;
    for (; n > 0; --n) rest *= 5;
    if (rest != 1) mul_small(rest);
}

void Big::mul_pow10(int n) {
    mul_pow5(n);
    shift_left(n);
}

void Big::shift_left(int bits) {
    if (rec_->used == 0 || bits == 0) return;
    int whole = bits / 32;
    int part = bits % 32;
    int old = rec_->used;
    reserve(old + whole + 1);
    uint32_t* w = rec_->words();
    w[old + whole] = 0;
    for (int i = old - 1; i >= 0; --i) {
        uint32_t v = w[i];
        if (part) {
            w[i + whole + 1] |= v >> (32 - part);
            w[i + whole] = v << part;
        } else {
            w[i + whole] = v;
        }
    }
    for (int i = 0; i < whole; ++i) w[i] = 0;
    rec_->used = old + whole + 1;
    trim();
}

void Big::add(const Big& b) {
    int n = rec_->used > b.size() ? rec_->used : b.size();
    reserve(n + 1);
    uint32_t* w = rec_->words();
    uint64_t carry = 0;
    for (int i = 0; i < n; ++i) {
        uint64_t t = uint64_t{word(i)} + b.word(i) + carry;
        w[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    w[n] = static_cast<uint32_t>(carry);
    rec_->used = n + 1;
    trim();
}

void Big::sub(const Big& b) {
    sub_shifted(b, 1, 0);
}

void Big::sub_shifted(const Big& d, uint32_t q, int word_shift) {
    uint32_t* w = rec_->words();
    uint64_t mul_carry = 0;
    int64_t borrow = 0;
    for (int i = word_shift; i < rec_->used; ++i) {
        uint64_t p = uint64_t{d.word(i - word_shift)} * q + mul_carry;
        mul_carry = p >> 32;
        int64_t t = int64_t{w[i]} - static_cast<uint32_t>(p) + borrow;
        w[i] = static_cast<uint32_t>(t);
        borrow = t < 0 ? -1 : 0;
    }
    trim();
}

int Big::compare(const Big& a, const Big& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (int i = a.size() - 1; i >= 0; --i)
        if (a.word(i) != b.word(i)) return a.word(i) < b.word(i) ? -1 : 1;
    return 0;
}

int Big::compare_shifted(const Big& d, int word_shift) const {
    int dn = d.size() + word_shift;
    if (rec_->used != dn) return rec_->used < dn ? -1 : 1;
    for (int i = dn - 1; i >= word_shift; --i)
        if (word(i) != d.word(i - word_shift)) return word(i) < d.word(i - word_shift) ? -1 : 1;
    for (int i = word_shift - 1; i >= 0; --i)
        if (word(i)) return 1;
    return 0;
}

uint32_t Big::divide_step(const Big& d, int word_shift) {
    int n = d.size();
    uint64_t top = (uint64_t{word(n + word_shift)} << 32) | word(n - 1 + word_shift);
    // An underestimate by at most 2 because d's top word is at least 2^31.
    uint32_t q = static_cast<uint32_t>(top / (uint64_t{d.word(n - 1)} + 1));
    if (q) sub_shifted(d, q, word_shift);
    while (compare_shifted(d, word_shift) >= 0) {
        sub_shifted(d, 1, word_shift);
        ++q;
    }
    return q;
}

} // namespace zep::float_
