// binary!'s base encodings on managed memory: decoders make a byte series,
// encoders write into the caller's buffer.
#include <cstring>

#include "datatypes/binary.h"
#include "datatypes/binary_codec.h"
#include "runtime/memory.h"

namespace zep::binary {

namespace {

Ref series_of(const std::optional<std::string>& bytes) {
    if (!bytes || bytes->size() > memory::max_data_size) return 0;
    auto length = static_cast<uint32_t>(bytes->size());
    Ref node = series::alloc_bytes(length);
    SeriesBuffer* b = node_buffer(node);
    if (length) std::memcpy(buffer_head(b), bytes->data(), length);
    b->tail = b->head + length;
    return node;
}

uint32_t write_out(const std::optional<std::string>& text, unsigned char* out) {
    if (!text) return 0;
    if (!text->empty()) std::memcpy(out, text->data(), text->size());
    return static_cast<uint32_t>(text->size());
}

} // namespace

Ref decode_base(int base, const unsigned char* text, uint32_t length) {
    // The text may lie in a managed buffer: it is read before any allocation.
    return series_of(codec::decode(base, text, length));
}
Ref decode_2(const unsigned char* text, uint32_t length) {
    return decode_base(2, text, length);
}
Ref decode_16(const unsigned char* text, uint32_t length) {
    return decode_base(16, text, length);
}
Ref decode_58(const unsigned char* text, uint32_t length) {
    return decode_base(58, text, length);
}
Ref decode_64(const unsigned char* text, uint32_t length) {
    return decode_base(64, text, length);
}

uint32_t encode_2(const unsigned char* bytes, uint32_t length, unsigned char* out) {
    return write_out(codec::encode(2, bytes, length), out);
}
uint32_t encode_16(const unsigned char* bytes, uint32_t length, unsigned char* out) {
    return write_out(codec::encode(16, bytes, length), out);
}
uint32_t encode_58(const unsigned char* bytes, uint32_t length, unsigned char* out) {
    return write_out(codec::encode(58, bytes, length), out);
}
uint32_t encode_64(const unsigned char* bytes, uint32_t length, unsigned char* out) {
    return write_out(codec::encode(64, bytes, length), out);
}

uint64_t encoded_size(int base, uint32_t length) {
    return codec::encoded_length(base, length);
}

} // namespace zep::binary
