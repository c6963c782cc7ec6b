// map!: making, key normalisation, removal and revival in place, put against
// path setting, text forms, comparison, copying and reflection.
#include <gtest/gtest.h>

#include "datatypes/map.h"
#include "datatypes/map_internal.h"
#include "tests/datatypes/path_fixture.h"

namespace zep {
namespace {

using error::Category;

class MapTest : public testing::PathTypesTest {
  protected:
    static Cell make_map(std::initializer_list<Cell> cells) {
        Cell* spec = block_of(cells);
        Cell made;
        map::make(&made, spec, type_id::map);
        return *stack::push(&made);
    }
    static Cell w(const char* name, uint8_t type = type_id::word) { return word_of(name, type); }
    static std::string flat(const Cell& m) { return mold(m, false, true); }
    static Cell get(Cell& m, const Cell& key, bool case_ = false) {
        return *map::eval_path(&m, &key, nullptr, nullptr, case_);
    }
    static void set(Cell& m, const Cell& key, const Cell& value, bool case_ = false) {
        map::eval_path(&m, &key, &value, nullptr, case_);
    }
};

TEST_F(MapTest, LaterDuplicateKeysUpdateTheFirstPair) {
    Cell m = make_map({w("a"), w("x"), w("b"), w("y"), w("a", type_id::set_word), w("z")});
    EXPECT_EQ(map::length(&m), 2);
    EXPECT_EQ(flat(m), "#[a: z b: y]");
    Cell empty = make_map({});
    EXPECT_EQ(mold(empty), "#[]");
    Cell zero = integer(0);
    Cell made;
    map::make(&made, &zero, type_id::map);
    EXPECT_EQ(map::length(&made), 0);
}

TEST_F(MapTest, BadSpecsRaiseAndChangeNothing) {
    Cell made;
    Cell* odd = block_of({w("a"), w("x"), w("b")});
    EXPECT_EQ(raised([&] { map::make(&made, odd, type_id::map); }),
              code(Category::script, "invalid-arg"));
    Cell* block_key = block_of({*block_of({}), w("x")});
    EXPECT_EQ(raised([&] { map::make(&made, block_key, type_id::map); }),
              code(Category::script, "invalid-path"));
    Cell negative = integer(-1);
    EXPECT_EQ(raised([&] { map::make(&made, &negative, type_id::map); }),
              code(Category::script, "out-of-range"));
    Cell huge = integer(2000000000);
    EXPECT_EQ(raised([&] { map::make(&made, &huge, type_id::map); }),
              code(Category::internal, "no-memory"));
    Cell three = integer(3);
    EXPECT_EQ(raised([&] { map::to(&made, &three, type_id::map); }),
              code(Category::script, "bad-to-arg"));
    Cell m = make_map({w("a"), w("x")});
    Cell* key = block_of({});
    Cell value = w("v");
    EXPECT_EQ(raised([&] { set(m, *key, value); }), code(Category::script, "invalid-path"));
    EXPECT_EQ(flat(m), "#[a: x]");
    EXPECT_EQ(raised([&] { map::remove(&m, nullptr, nullptr); }),
              code(Category::script, "missing-arg"));
}

TEST_F(MapTest, WordFormsAreOneKeyFoundAsWord) {
    Cell m = make_map({w("a", type_id::lit_word), w("x")});
    for (uint8_t type : {type_id::word, type_id::set_word, type_id::lit_word, type_id::get_word}) {
        Cell key = w("A", type);
        Cell* found = map::find(&m, &key, nullptr, false, false, false, false, nullptr, nullptr,
                                false, false, false, false);
        EXPECT_EQ(cell_type(found), type_id::word);
        EXPECT_EQ(symbol::utf8_text(value::word_symbol(found)), std::string("a"));
    }
    EXPECT_EQ(cell_type(map::detail::cells_of(&m)), type_id::set_word);
    Cell missing = w("q");
    EXPECT_EQ(cell_type(map::select(&m, &missing, nullptr, false, false, false, false, nullptr,
                                    nullptr, false, false)),
              type_id::none);
}

TEST_F(MapTest, RemovedEntryIsSkippedAndRevivedInPlace) {
    Cell m = make_map({w("a"), w("x"), w("b"), w("y"), w("c"), w("z")});
    Cell b = w("b");
    map::remove(&m, nullptr, &b);
    EXPECT_EQ(map::length(&m), 2);
    EXPECT_EQ(flat(m), "#[a: x c: z]");
    EXPECT_EQ(cell_type(&(const Cell&)get(m, b)), type_id::none);
    map::remove(&m, nullptr, &b); // removing again changes nothing
    EXPECT_EQ(map::length(&m), 2);
    set(m, b, w("new"));
    EXPECT_EQ(map::length(&m), 3);
    EXPECT_EQ(flat(m), "#[a: x b: new c: z]");
    EXPECT_EQ(map::detail::total_cells(&m), 6);
}

TEST_F(MapTest, CountStaysLiveThroughGrowthWithRemovedEntries) {
    Cell m = make_map({});
    for (int i = 0; i < 6; ++i) set(m, w(("k" + std::to_string(i)).c_str()), w("v"));
    for (int i = 0; i < 3; ++i) {
        Cell key = w(("k" + std::to_string(i)).c_str());
        map::remove(&m, nullptr, &key);
    }
    for (int i = 6; i < 200; ++i) set(m, w(("k" + std::to_string(i)).c_str()), w("v"));
    EXPECT_EQ(map::length(&m), 197);
    set(m, w("k1"), w("back"));
    EXPECT_EQ(map::length(&m), 198);
    EXPECT_EQ(map::detail::total_cells(&m), 400);
}

TEST_F(MapTest, PutIsCaseSensitivePathSetIsNot) {
    Cell m = make_map({w("key"), w("x")});
    Cell upper = w("Key");
    Cell value = w("y");
    set(m, upper, value);
    EXPECT_EQ(flat(m), "#[key: y]");
    map::put(&m, &upper, &value, false);
    EXPECT_EQ(map::length(&m), 2);
    EXPECT_EQ(flat(m), "#[key: y Key: y]");
}

TEST_F(MapTest, TextForms) {
    Cell inner = make_map({w("c"), w("z")});
    Cell m = make_map({w("a"), w("x"), w("b"), inner});
    EXPECT_EQ(mold(m), "#[\n    a: x\n    b: #[\n        c: z\n    ]\n]");
    EXPECT_EQ(mold(m, false, true), "#[a: x b: #[c: z]]");
    EXPECT_EQ(mold(m, true), "a: x\nb: #[\n        c: z\n    ]");
    EXPECT_EQ(form(m), "a: x\nb: #[\n    c: z\n]");
    // With /part the walk stops once the budget is spent (the action then
    // cuts the text to the limit).
    EXPECT_EQ(mold(m, false, true, 6), "#[a: x]");
}

TEST_F(MapTest, CompareByContent) {
    Cell a = make_map({w("a"), w("x"), w("b"), w("y")});
    Cell same_content = make_map({w("b"), w("y"), w("A"), w("x")});
    Cell other = make_map({w("a"), w("x"), w("b"), w("q")});
    EXPECT_EQ(map::compare(&a, &same_content, compare_code::equal), 0);
    EXPECT_EQ(map::compare(&a, &same_content, compare_code::strict_equal), 1);
    EXPECT_EQ(map::compare(&a, &other, compare_code::equal), 1);
    EXPECT_EQ(map::compare(&a, &a, compare_code::same), 0);
    EXPECT_EQ(map::compare(&a, &same_content, compare_code::same), -1);
    EXPECT_EQ(map::compare(&a, &other, compare_code::lesser), compare_code::not_comparable);
    Cell word = w("a");
    EXPECT_EQ(map::compare(&a, &word, compare_code::equal), compare_code::not_comparable);
    // Sort order is by content: a twin made elsewhere sorts equal, and the
    // order is antisymmetric.
    Cell twin = make_map({w("a"), w("x"), w("b"), w("y")});
    EXPECT_EQ(map::compare(&a, &twin, compare_code::sort), 0);
    int ab = map::compare(&a, &other, compare_code::sort);
    EXPECT_NE(ab, 0);
    EXPECT_EQ(map::compare(&other, &a, compare_code::sort), -ab);
}

TEST_F(MapTest, CopyIsIndependentAndReflectListsLiveEntries) {
    Cell m = make_map({w("a"), w("x"), w("b"), w("y")});
    Cell b = w("b");
    map::remove(&m, nullptr, &b);
    Cell* copied = stack::push_slot(); // held while entries are added
    value::set_none(copied);
    map::copy(&m, copied, nullptr, false, nullptr);
    set(*copied, w("c"), w("z"));
    set(*copied, b, w("back"));
    EXPECT_EQ(flat(m), "#[a: x]");
    EXPECT_EQ(flat(*copied), "#[a: x b: back c: z]");
    Cell body = w("body");
    EXPECT_EQ(mold(*map::reflect(copied, &body), false, true), "[a: x b: back c: z]");
    Cell words = w("words");
    EXPECT_EQ(mold(*map::reflect(copied, &words), false, true), "[a b c]");
    Cell values = w("values");
    EXPECT_EQ(mold(*map::reflect(copied, &values), false, true), "[x back z]");
    Cell spec = w("spec");
    EXPECT_EQ(raised([&] { map::reflect(copied, &spec); }), code(Category::internal, "not-done"));
}

TEST_F(MapTest, TextKeysAreCopied) {
    Cell key = text("name");
    Cell normalized = key;
    map::normalize_key(&normalized, nullptr);
    EXPECT_NE(normalized.data2, key.data2);
    EXPECT_EQ(utf8(normalized), "name");
    Cell* caller = stack::push(&key);
    string::append_text(caller, "s");
    EXPECT_EQ(utf8(normalized), "name");
}

TEST_F(MapTest, ExtendAddsReplacesAndRevives) {
    Cell m = make_map({w("a"), w("x"), w("b"), w("y")});
    Cell a = w("a");
    map::remove(&m, nullptr, &a);
    Cell* spec = block_of({w("c"), w("z"), w("A"), w("again")});
    map::extend(&m, spec, false);
    EXPECT_EQ(flat(m), "#[a: again b: y c: z]");
    Cell* odd = block_of({w("d")});
    EXPECT_EQ(raised([&] { map::extend(&m, odd, false); }), code(Category::script, "invalid-arg"));
}

} // namespace
} // namespace zep
