#include "evaluator/natives_system_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "datatypes/binary.h"
#include "datatypes/file.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/type_sets.h"
#include "runtime/value_make.h"

namespace zep::natives::system {

const TypeMask any_string_types = mask_of(
    {type_id::string, type_id::file, type_id::url, type_id::tag, type_id::email, type_id::ref});
const TypeMask any_word_types = mask_of(
    {type_id::word, type_id::set_word, type_id::lit_word, type_id::get_word, type_id::refinement});
const TypeMask number_types = mask_of({type_id::integer, type_id::float_, type_id::percent});

std::string bytes_of(const Cell* value) {
    if (cell_type(value) == type_id::binary) {
        const unsigned char* head = binary::head_pointer(value);
        return std::string(reinterpret_cast<const char*>(head), binary::length_at(value));
    }
    return string::utf8_of(value);
}

std::string word_name(const Cell* word) {
    uint32_t symbol = value::word_symbol(word);
    return std::string(symbol::utf8_text(symbol), symbol::utf8_length(symbol));
}

std::string name_of(const Cell* value) {
    return type_set::is_any_string(cell_type(value)) ? string::utf8_of(value) : word_name(value);
}

std::string local_path_of(const Cell* value) {
    if (cell_type(value) == type_id::file) return file::to_local_cstring(value);
    return string::utf8_of(value);
}

std::string read_file_bytes(const Cell* file) {
    std::string path = file::to_local_cstring(file);
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        if (fd >= 0) close(fd);
        error::fire(error::Category::access, "cannot-open", file);
    }
    std::string bytes;
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            bytes.append(chunk, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            close(fd);
            error::fire(error::Category::access, "cannot-open", file);
        }
    }
    close(fd);
    return bytes;
}

uint32_t outside_length(const std::string& bytes) {
    if (bytes.size() > memory::max_size_for(1))
        error::fire_named(error::Category::internal, "no-memory");
    return static_cast<uint32_t>(bytes.size());
}

void load_string(const std::string& utf8, Cell* cell) {
    string::load_encoded(reinterpret_cast<const unsigned char*>(utf8.data()), outside_length(utf8),
                         cell, string::encoding::utf8);
}

void set_binary_result(const std::string& bytes) {
    Cell* slot = stack::push_slot();
    value::set_none(slot);
    binary::load_at(reinterpret_cast<const unsigned char*>(bytes.data()), outside_length(bytes),
                    slot);
    stack::set_result_only(slot);
}

void set_string_result(const std::string& utf8) {
    Cell* slot = stack::push_slot();
    value::set_none(slot);
    load_string(utf8, slot);
    stack::set_result_only(slot);
}

} // namespace zep::natives::system
