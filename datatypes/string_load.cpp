// Strings made from external text, and string values pushed on the argument
// stack.
#include "datatypes/string_buffer.h"
#include "evaluator/stack.h"
#include "runtime/error_exit.h"
#include "runtime/gc_roots.h"
#include "runtime/print.h"
#include "runtime/unicode/text_load.h"
#include "runtime/value_make.h"

namespace zep::string {

namespace {

// An unsupported encoding cannot be recovered from: the loader's message,
// then a quiet exit.
void check_encoding(int encoding) {
    if (encoding == encoding::utf8 || encoding == encoding::utf16le) return;
    print::line({print::item::text("*** Loading Error: input encoding unsupported")});
    runtime::error_exit(0, 0);
}

// Loads the text into a new series; count is bytes for UTF-8 and 16-bit
// units for UTF-16LE.
Ref load_node(const unsigned char* bytes, uint32_t count, int encoding) {
    if (encoding == encoding::utf8) return unicode::load_utf8_new(bytes, count);
    return unicode::load_utf16le(bytes, count, nullptr, false)->node;
}

} // namespace

Cell* push(const Cell* value) {
    return stack::push(value);
}

Cell* load_encoded(const unsigned char* bytes, uint32_t count, Cell* cell, int encoding) {
    check_encoding(encoding);
    if (!cell) {
        // The slot is taken first so that the new series is held as soon as
        // it exists; argument stack cells never move.
        cell = stack::push_slot();
        value::set_none(cell);
    }
    Ref node = load_node(bytes, count, encoding);
    value::set_series(cell, type_id::string, node);
    return cell;
}

Cell* load(const unsigned char* bytes, uint32_t count, int encoding) {
    return load_encoded(bytes, count, nullptr, encoding);
}

Cell* load_in(const unsigned char* bytes, uint32_t count, const Cell* block, int encoding) {
    check_encoding(encoding);
    // The cell is appended first (unset!) so that the new series is held by
    // the block from the moment it exists; it is found again by its index.
    Ref block_node = block->data2;
    gc::RootRef keep(block_node);
    uint32_t index = node_cell_count(block_node);
    series::alloc_tail_cell(node_buffer(block_node));
    Ref node = load_node(bytes, count, encoding);
    Cell* cell = node_cells(block_node) + index;
    value::set_series(cell, type_id::string, node);
    return cell;
}

} // namespace zep::string
