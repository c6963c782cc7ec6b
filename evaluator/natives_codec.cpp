// checksum, compress and decompress: argument handling around the checksum
// and compression services.
#include "datatypes/binary.h"
#include "evaluator/compiled_support.h"
#include "evaluator/natives_system.h"
#include "evaluator/natives_system_support.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/print.h"
#include "runtime/type_sets.h"
#include "runtime/value_make.h"
#include "services/checksum.h"
#include "services/compression.h"

namespace zep::natives {

using namespace system;

namespace {

constexpr uint64_t max_binary = 0x7FFFFFFF;

[[noreturn]] void invalid_refine_arg(const Cell* value) {
    Cell with = control::global_word("with");
    value::set_word(&with, type_id::refinement, 0, value::word_symbol(&with));
    error::fire(error::Category::script, "invalid-refine-arg", &with, value);
}

// The compression format a method word names; script invalid-arg otherwise.
compress::Format format_of(const Cell* method) {
    std::optional<compress::Format> format;
    if (cell_type(method) == type_id::word) format = compress::format_of(word_name(method));
    if (!format) error::fire(error::Category::script, "invalid-arg", method);
    return *format;
}

// Runs a codec into a new binary! of `room` bytes, once more with the size
// the codec asks for when that was too small. The binary, cut to the output
// size, becomes the result; a codec that does not finish raises script
// invalid-data with the method.
template <class Codec> void run_codec(uint64_t room, const Cell* method, Codec codec) {
    Cell* out = stack::push_slot();
    value::set_none(out);
    int code = compress::too_small;
    uint64_t size = room;
    for (int attempt = 0; attempt < 2 && code == compress::too_small; ++attempt) {
        if (size > max_binary) error::fire(error::Category::script, "too-long");
        binary::make_at(out, static_cast<uint32_t>(size));
        // The codec does not allocate: the address stays valid meanwhile.
        code = codec(binary::head_pointer(out), &size);
    }
    if (code != compress::done) error::fire(error::Category::script, "invalid-data", method);
    SeriesBuffer* buffer = node_buffer(value::series_node(out));
    buffer->tail = buffer->head + static_cast<uint32_t>(size);
    stack::set_result_only(out);
}

const unsigned char* data_of(const std::string& bytes) {
    return reinterpret_cast<const unsigned char*>(bytes.data());
}

} // namespace

void checksum(bool check, const int32_t* refinements) {
    Cell* data = arg(0);
    Cell* method_word = arg(1);
    Cell* spec = refinement_arg(refinements, 0);
    expect(check, "checksum", data, mask_of({type_id::binary, type_id::string, type_id::file}),
           "data");
    expect(check, "checksum", method_word, mask_of({type_id::word}), "method");
    expect(check, "checksum", spec, any_string_types | mask_of({type_id::binary, type_id::integer}),
           "spec");

    uint8_t data_type = cell_type(data);
    if (data_type != type_id::binary && data_type != type_id::string && data_type != type_id::file)
        error::fire(error::Category::script, "invalid-arg", data);
    std::optional<checksum::Method> method;
    if (cell_type(method_word) == type_id::word)
        method = checksum::method_of(word_name(method_word));
    if (!method) error::fire(error::Category::script, "invalid-arg", method_word);

    bool sum_method = *method == checksum::Method::crc32 || *method == checksum::Method::tcp ||
                      *method == checksum::Method::adler32;
    if (spec && sum_method) invalid_refine_arg(spec);
    std::string bytes = data_type == type_id::file ? read_file_bytes(data) : bytes_of(data);

    if (sum_method) {
        uint32_t sum =
            *method == checksum::Method::crc32 ? checksum::crc32(data_of(bytes), bytes.size())
            : *method == checksum::Method::tcp ? checksum::tcp(data_of(bytes), bytes.size())
                                               : checksum::adler32(data_of(bytes), bytes.size());
        value::set_integer(stack::base(), static_cast<int32_t>(sum));
        stack::keep_first();
        return;
    }
    bool is_hash = *method == checksum::Method::hash;
    if (!spec) {
        if (is_hash) invalid_refine_arg(method_word);
        set_binary_result(checksum::digest(*method, data_of(bytes), bytes.size()));
        return;
    }
    uint8_t spec_type = cell_type(spec);
    if (spec_type == type_id::integer) {
        // A hash of the given table size: that method has no algorithm yet.
        if (!is_hash) invalid_refine_arg(spec);
        print::line({print::item::text(checksum::hash_stub_message)});
        value::set_integer(stack::base(), 0);
        stack::keep_first();
        return;
    }
    if (spec_type != type_id::binary && !type_set::is_any_string(spec_type))
        error::fire(error::Category::script, "invalid-arg", spec);
    if (is_hash) invalid_refine_arg(spec);
    std::string key = bytes_of(spec);
    auto mac = checksum::hmac(*method, data_of(bytes), bytes.size(), data_of(key), key.size());
    if (!mac) {
        print::line({print::item::text(checksum::no_hmac_message)});
        value::set_none(stack::base());
        stack::keep_first();
        return;
    }
    set_binary_result(*mac);
}

void compress(bool check, const int32_t*) {
    expect(check, "compress", arg(0), any_string_types | mask_of({type_id::binary}), "data");
    expect(check, "compress", arg(1), mask_of({type_id::word}), "method");
    compress::Format format = format_of(arg(1));
    std::string bytes = bytes_of(arg(0));
    run_codec(uint64_t{bytes.size()} + 32, arg(1), [&](unsigned char* out, uint64_t* size) {
        return compress::encode(format, out, size, data_of(bytes), bytes.size());
    });
}

void decompress(bool check, const int32_t* refinements) {
    Cell* size_value = refinement_arg(refinements, 0);
    expect(check, "decompress", arg(0), mask_of({type_id::binary}), "data");
    expect(check, "decompress", arg(1), mask_of({type_id::word}), "method");
    expect(check, "decompress", size_value, mask_of({type_id::integer}), "sz");
    compress::Format format = format_of(arg(1));
    std::string bytes = bytes_of(arg(0));
    auto decode = [&](unsigned char* out, uint64_t* size) {
        return compress::decode(format, out, size, data_of(bytes), bytes.size());
    };
    // A size given above the input length is trusted for zlib and deflate
    // (a wrong one costs a second pass); otherwise the output is measured.
    int64_t given = size_value ? value::integer_of(size_value) : -1;
    uint64_t room = 0;
    if (format != compress::Format::gzip && given > static_cast<int64_t>(bytes.size())) {
        room = static_cast<uint64_t>(given);
    } else if (decode(nullptr, &room) != compress::done) {
        error::fire(error::Category::script, "invalid-data", arg(1));
    }
    run_codec(room, arg(1), decode);
}

} // namespace zep::natives
