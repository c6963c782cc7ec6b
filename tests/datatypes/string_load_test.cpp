#include <unistd.h>

#include <string>

#include "datatypes/string_buffer.h"
#include "evaluator/stack.h"
#include "string_fixture.h"

// Stand-ins for the argument stack until it lands: the load routines only
// reach it when no target cell is given.
namespace zep::stack {
ArgumentStack arguments;
void overflow() {
    std::abort();
}
} // namespace zep::stack

using namespace zep;
using zep::testing::StringTest;

namespace {

using StringLoad = StringTest;

TEST_F(StringLoad, Utf8AndUtf16IntoCellsAndBlocks) {
    const unsigned char utf8[] = "h\xC3\xA9\xE2\x82\xAC";
    Cell c;
    string::load_encoded(utf8, 6, &c, string::encoding::utf8);
    EXPECT_EQ(cell_type(&c), type_id::string);
    EXPECT_EQ(all_text(c), U"h\u00E9\u20AC");

    Ref block_node = series::alloc_cells(1);
    Cell block{type_id::block, 0, block_node, 0};
    const unsigned char utf16[] = {'a', 0, 0x3D, 0xD8, 0x00, 0xDE};
    Cell* loaded = string::load_in(utf16, 3, &block, string::encoding::utf16le);
    SeriesBuffer* b = node_buffer(block_node);
    EXPECT_EQ(b->tail - b->head, sizeof(Cell));
    EXPECT_EQ(loaded, reinterpret_cast<Cell*>(buffer_head(b)));
    EXPECT_EQ(all_text(*loaded), U"a\U0001F600");
}

TEST_F(StringLoad, UnsupportedEncodingEndsTheProcessQuietly) {
    const unsigned char text[] = "x";
    Cell c;
    EXPECT_EXIT(
        {
            dup2(2, 1); // the message goes to standard output
            string::load_encoded(text, 1, &c, 1);
        },
        ::testing::ExitedWithCode(0), "\\*\\*\\* Loading Error: input encoding unsupported");
}

} // namespace
