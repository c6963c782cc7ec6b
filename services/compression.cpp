#include "services/compression.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace zep::compress {

namespace {

int window_bits(Format format) {
    switch (format) {
    case Format::zlib:
        return 15;
    case Format::deflate:
        return -15;
    case Format::gzip:
        return 15 + 16;
    }
    return 15;
}

// zlib counts in uInt: hand it at most this much at a time.
constexpr uint64_t piece_limit = UINT_MAX / 2 + 1;

uInt piece(uint64_t n) {
    return static_cast<uInt>(std::min(n, piece_limit));
}

bool header_ok(Format format, const unsigned char* in, uint64_t length) {
    if (format == Format::zlib) {
        if (length < 2) return false;
        unsigned cmf = in[0], flg = in[1];
        return (cmf * 256 + flg) % 31 == 0 && (cmf & 0x0F) == 8 && (flg & 0x20) == 0;
    }
    if (format == Format::gzip) return length >= 3 && in[0] == 31 && in[1] == 139 && in[2] == 8;
    return true;
}

// True when the unread input starts with another gzip member's magic bytes.
bool next_member_follows(const z_stream& stream, const unsigned char* next_in, uint64_t in_left) {
    unsigned char head[3];
    size_t have = 0;
    for (uInt i = 0; i < stream.avail_in && have < 3; ++i) head[have++] = stream.next_in[i];
    for (uint64_t i = 0; i < in_left && have < 3; ++i) head[have++] = next_in[i];
    return have == 3 && head[0] == 31 && head[1] == 139 && head[2] == 8;
}

// Runs inflate over the whole input. Output goes to out while room lasts,
// then into a scratch area so that the full size is known. Answers the
// outcome and the total output size.
int inflate_all(Format format, unsigned char* out, uint64_t room, const unsigned char* in,
                uint64_t length, uint64_t* total) {
    z_stream stream{};
    if (inflateInit2(&stream, window_bits(format)) != Z_OK) return failed;
    unsigned char scratch[16384];
    uint64_t produced = 0;
    uint64_t in_left = length;
    const unsigned char* next_in = in;
    int outcome = bad_data;
    for (;;) {
        if (stream.avail_in == 0 && in_left > 0) {
            stream.next_in = const_cast<unsigned char*>(next_in);
            stream.avail_in = piece(in_left);
            next_in += stream.avail_in;
            in_left -= stream.avail_in;
        }
        bool into_out = out != nullptr && produced < room;
        unsigned char* target = into_out ? out + produced : scratch;
        uInt target_room = into_out ? piece(room - produced) : static_cast<uInt>(sizeof scratch);
        stream.next_out = target;
        stream.avail_out = target_room;
        int status = inflate(&stream, Z_NO_FLUSH);
        produced += target_room - stream.avail_out;
        if (produced > max_output) {
            outcome = too_large;
            break;
        }
        if (status == Z_STREAM_END) {
            if (stream.avail_in == 0 && in_left == 0) {
                outcome = done;
                break;
            }
            // A gzip file may hold several members, decoded one after the
            // other; anything else after the end is not part of the stream.
            if (format != Format::gzip || !next_member_follows(stream, next_in, in_left)) break;
            if (inflateReset(&stream) != Z_OK) break;
            continue;
        }
        if (status == Z_MEM_ERROR) {
            outcome = failed;
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) break; // data or dictionary error
        // No progress possible: the input ended before the stream did.
        if (status == Z_BUF_ERROR && stream.avail_in == 0 && in_left == 0) break;
    }
    inflateEnd(&stream);
    *total = produced;
    return outcome;
}

} // namespace

std::optional<Format> format_of(std::string_view name) {
    auto same = [&](const char* word) {
        size_t n = std::strlen(word);
        if (name.size() != n) return false;
        for (size_t i = 0; i < n; ++i) {
            char c = name[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            if (c != word[i]) return false;
        }
        return true;
    };
    if (same("zlib")) return Format::zlib;
    if (same("deflate")) return Format::deflate;
    if (same("gzip")) return Format::gzip;
    return std::nullopt;
}

int encode(Format format, unsigned char* out, uint64_t* out_size, const unsigned char* in,
           uint64_t length) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, window_bits(format), 8,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        return failed;
    // deflateBound works on uLong, which is 64 bits here.
    uint64_t needed = deflateBound(&stream, static_cast<uLong>(length));
    // A bound past the limit may still compress below it: try, and report
    // too_large only if the real output is.
    uint64_t room = *out_size;
    uint64_t produced = 0;
    uint64_t in_left = length;
    const unsigned char* next_in = in;
    int outcome = failed;
    for (;;) {
        if (stream.avail_in == 0 && in_left > 0) {
            stream.next_in = const_cast<unsigned char*>(next_in);
            stream.avail_in = piece(in_left);
            next_in += stream.avail_in;
            in_left -= stream.avail_in;
        }
        if (produced >= room) {
            outcome = too_small;
            break;
        }
        uInt target_room = piece(room - produced);
        stream.next_out = out + produced;
        stream.avail_out = target_room;
        int status = deflate(&stream, in_left == 0 ? Z_FINISH : Z_NO_FLUSH);
        produced += target_room - stream.avail_out;
        if (status == Z_STREAM_END) {
            outcome = done;
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) break;
    }
    deflateEnd(&stream);
    if (outcome == done) {
        *out_size = produced;
    } else if (outcome == too_small) {
        if (needed > max_output) return too_large;
        *out_size = needed;
    }
    return outcome;
}

int decode(Format format, unsigned char* out, uint64_t* out_size, const unsigned char* in,
           uint64_t length) {
    if (!header_ok(format, in, length)) return bad_data;
    uint64_t total = 0;
    int outcome = inflate_all(format, out, out ? *out_size : 0, in, length, &total);
    if (outcome != done) return outcome;
    if (out && total > *out_size) outcome = too_small;
    *out_size = total;
    return outcome;
}

} // namespace zep::compress
