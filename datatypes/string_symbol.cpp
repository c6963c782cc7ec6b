// A symbol! given to the text routines stands for its name's string.
#include <cstring>

#include "datatypes/string_internal.h"
#include "datatypes/symbol.h"
#include "runtime/value_make.h"

namespace zep::string::detail {

void text_of_symbol(Cell* cell) {
    if (cell_type(cell) != type_id::symbol) return;
    Ref name = cell->data2;
    if (!name) {
        // The name string is made on first use; the symbol is found again by
        // its UTF-8 name, copied out first since interning may allocate.
        SeriesBuffer* utf8 = node_buffer(cell->data3);
        uint32_t length = utf8->tail - utf8->head;
        if (length && buffer_head(utf8)[length - 1] == 0) --length;
        HeapBlock<unsigned char> copy(length + 1);
        std::memcpy(copy.data(), buffer_head(utf8), length + 1);
        uint32_t id = symbol::make_from_text(copy.data(), length);
        name = symbol::get_cell(id)->data2;
    }
    value::set_series(cell, type_id::string, name);
}

} // namespace zep::string::detail
