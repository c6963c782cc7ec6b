#include "boot/script.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "datatypes/file.h"
#include "evaluator/compiled_support.h"
#include "evaluator/interp.h"
#include "evaluator/stack.h"
#include "runtime/arena.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"
#include "services/lexer.h"

namespace zep::boot::script {

namespace {

// Reads the whole descriptor; false on a read error.
bool read_all(int fd, std::string* out) {
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            out->append(chunk, static_cast<size_t>(n));
        } else if (n == 0) {
            return true;
        } else if (errno != EINTR) {
            return false;
        }
    }
}

// True when the block's first value is a word and its second a block: the
// header that find_header located.
bool starts_with_header(const Cell* block) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    int32_t head = value::series_head(block);
    uint32_t total = (b->tail - b->head) / sizeof(Cell);
    if (head < 0 || static_cast<uint32_t>(head) + 2 > total) return false;
    const Cell* cells = arena::at<Cell>(b->head) + head;
    return cell_type(&cells[0]) == type_id::word && cell_type(&cells[1]) == type_id::block;
}

} // namespace

void run_text(std::string_view text) {
    Header header = find_header(text);
    if (header.found && header.system) error::fire(error::Category::internal, "zep-system");
    if (header.found) text.remove_prefix(header.offset);
    if (text.size() > UINT32_MAX) error::fire(error::Category::script, "too-long");

    // The loaded block lives in an argument-stack cell, which never moves.
    Cell* code = stack::push_slot();
    value::set_none(code);
    lexer::transcode(code, reinterpret_cast<const uint8_t*>(text.data()),
                     static_cast<uint32_t>(text.size()), lexer::Options{});
    if (header.found && starts_with_header(code)) code->data1 += 2;
    interp::eval_block(code, true);
}

void run_file(const char* path) {
    std::string text;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    bool read = fd >= 0 && read_all(fd, &text);
    if (fd >= 0) ::close(fd);
    if (!read) {
        Cell* name = stack::push_slot();
        file::load_at(reinterpret_cast<const unsigned char*>(path),
                      std::char_traits<char>::length(path), name);
        error::fire(error::Category::access, "cannot-open", name);
    }
    run_text(text);
}

void run_standard_input() {
    std::string text;
    if (!read_all(STDIN_FILENO, &text)) error::fire(error::Category::access, "cannot-open");
    run_text(text);
}

} // namespace zep::boot::script
