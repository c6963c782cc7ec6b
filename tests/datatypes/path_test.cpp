// The path family and paren!: notation, making and converting.
#include <gtest/gtest.h>

#include "datatypes/paren.h"
#include "datatypes/path.h"
#include "tests/datatypes/path_fixture.h"

namespace zep {
namespace {

using error::Category;

class PathTest : public testing::PathTypesTest {};

TEST_F(PathTest, NotationOfEachPathType) {
    Cell* steps = block_of({word_of("a"), word_of("b"), word_of("c")});
    struct Case {
        uint8_t type;
        const char* molded;
    };
    const Case cases[] = {{type_id::path, "a/b/c"},
                          {type_id::lit_path, "'a/b/c"},
                          {type_id::set_path, "a/b/c:"},
                          {type_id::get_path, ":a/b/c"}};
    for (const Case& c : cases) {
        Cell* p = path::push(steps, c.type);
        EXPECT_EQ(mold(*p), c.molded);
        EXPECT_EQ(form(*p), "a/b/c");
    }
    Cell* p = path::push(steps);
    EXPECT_EQ(mold(*p, false, false, 3), "a/b");
    Cell* nested = block_of({word_of("x"), *block_of({word_of("y")}, type_id::paren)});
    EXPECT_EQ(mold(*path::push(nested)), "x/(y)");
}

TEST_F(PathTest, ParenNotation) {
    Cell* items = block_of({word_of("a"), word_of("b")});
    Cell* p = paren::push(items);
    EXPECT_EQ(mold(*p), "(a b)");
    EXPECT_EQ(mold(*p, true), "a b");
    items = block_of({word_of("a"), word_of("b")});
    block::cell_at(items, 1)->header |= cell_flag_new_line;
    EXPECT_EQ(mold(*paren::push(items)), "(a\nb)");
}

TEST_F(PathTest, MakeAndTo) {
    Cell made;
    Cell three = integer(3);
    path::make(&made, &three, type_id::set_path);
    EXPECT_EQ(cell_type(&made), type_id::set_path);
    EXPECT_EQ(block::length(&made), 0);
    Cell negative = integer(-2);
    path::make(&made, &negative, type_id::path);
    EXPECT_EQ(block::length(&made), 0);
    Cell* steps = block_of({word_of("a"), word_of("b")});
    path::make(&made, steps, type_id::get_path);
    EXPECT_EQ(mold(made), ":a/b");
    EXPECT_NE(made.data2, steps->data2);
    Cell w = word_of("w");
    EXPECT_EQ(raised([&] { path::make(&made, &w, type_id::path); }),
              code(Category::script, "bad-make-arg"));
    path::to(&made, &w, type_id::lit_path);
    EXPECT_EQ(mold(made), "'w");
    EXPECT_EQ(actions::slot_of(type_id::lit_path, action_slot::sort), nullptr);
    EXPECT_EQ(actions::slot_of(type_id::set_path, action_slot::to),
              actions::slot_of(type_id::path, action_slot::to));
}

} // namespace
} // namespace zep
