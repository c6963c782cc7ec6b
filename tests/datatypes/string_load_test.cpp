#include <unistd.h>

#include <string>

#include "datatypes/string_buffer.h"
#include "evaluator/stack.h"
#include "runtime/error_catalog.h"
#include "string_fixture.h"

using namespace zep;
using zep::testing::StringTest;

namespace {

using StringLoad = StringTest;

TEST_F(StringLoad, Utf8AndUtf16IntoCellsAndBlocks) {
    const unsigned char utf8[] = "h\xC3\xA9\xE2\x82\xAC";
    gc::RootedCell rooted;
    Cell& c = *rooted;
    string::load_encoded(utf8, 6, &c, string::encoding::utf8);
    EXPECT_EQ(cell_type(&c), type_id::string);
    EXPECT_EQ(all_text(c), U"h\u00E9\u20AC");

    Ref block_node = series::alloc_cells(1);
    Cell block = zep::testing::kept(Cell{type_id::block, 0, block_node, 0});
    const unsigned char utf16[] = {'a', 0, 0x3D, 0xD8, 0x00, 0xDE};
    Cell* loaded = string::load_in(utf16, 3, &block, string::encoding::utf16le);
    SeriesBuffer* b = node_buffer(block_node);
    EXPECT_EQ(b->tail - b->head, sizeof(Cell));
    EXPECT_EQ(loaded, reinterpret_cast<Cell*>(buffer_head(b)));
    EXPECT_EQ(all_text(*loaded), U"a\U0001F600");
}

TEST_F(StringLoad, LoadAndPushTakeNewSlotsOnTheArgumentStack) {
    const unsigned char utf8[] = "ab\xC3\xA9";
    stack::reset();
    Cell* bottom = stack::arguments.top;
    Cell* loaded = string::load(utf8, 4, string::encoding::utf8);
    EXPECT_EQ(loaded, bottom);
    EXPECT_EQ(stack::arguments.top, bottom + 1);
    EXPECT_EQ(all_text(*loaded), U"ab\u00E9");

    Cell* pushed = string::push(loaded);
    EXPECT_EQ(pushed, bottom + 1);
    EXPECT_EQ(stack::arguments.top, bottom + 2);
    EXPECT_EQ(pushed->header, loaded->header);
    EXPECT_EQ(pushed->data2, loaded->data2); // the same series, not a copy
    EXPECT_EQ(string::length(pushed), 3u);
}

TEST_F(StringLoad, FullArgumentStackRaisesStackOverflowBeforeLoading) {
    const unsigned char utf8[] = "abc";
    int32_t code = zep::testing::raised_code([&] {
        stack::arguments.top = stack::arguments.end - 1; // no free cell left
        string::load(utf8, 3, string::encoding::utf8);
    });
    EXPECT_EQ(code, error::catalog::code_of(error::Category::internal, "stack-overflow"));
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
