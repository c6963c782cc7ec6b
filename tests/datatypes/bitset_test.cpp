// bitset!, typeset! and triple!: making, text, comparison, editing and the
// errors of bad specs. Set operations are checked against a set model by
// bitset_check.py.
#include "tests/datatypes/scalar_fixture.h"

namespace zep {
namespace {

class BitsetTest : public testing::ScalarTest {
  protected:
    static Cell make(const Cell& spec) {
        Cell out;
        bitset::make(&out, &spec, type_id::bitset);
        return testing::kept(out);
    }
    static Cell not_block(std::initializer_list<Cell> rest) {
        Cell block = block_of({});
        *series::alloc_tail_cell(node_buffer(value::series_node(&block))) =
            words::symbol_words[words::symbol_word::not_];
        for (const Cell& c : rest)
            *series::alloc_tail_cell(node_buffer(value::series_node(&block))) = c;
        return block;
    }
    static int32_t bits(Cell set) { return bitset::length(&set); }
    static bool picks(Cell set, const Cell& index) {
        return bitset::pick(&set, 0, &index)->data1 == 1;
    }
    static bool finds(Cell set, Cell value) {
        Cell* r = bitset::find(&set, &value, nullptr, false, false, false, false, nullptr, nullptr,
                               false, false, false, false);
        return cell_type(r) == type_id::logic;
    }
};

TEST_F(BitsetTest, MakeMeasuresTheHighestBit) {
    EXPECT_EQ(bits(make(integer(0))), 0);
    EXPECT_EQ(bits(make(integer(1))), 8);
    EXPECT_EQ(bits(make(integer(9))), 16);
    EXPECT_EQ(bits(make(text("a"))), 104);
    EXPECT_EQ(bits(make(block_of({}))), 8);

    Cell range = make(block_of({character('a'), word_named("-"), character('c'), integer(200)}));
    EXPECT_EQ(mold(range),
              "make bitset! #{" + std::string(24, '0') + "70" + std::string(24, '0') + "80}");
    EXPECT_TRUE(picks(range, character('b')));
    EXPECT_FALSE(picks(range, character('d')));
    EXPECT_TRUE(picks(range, integer(200)));
    EXPECT_FALSE(picks(range, integer(-1)));
}

TEST_F(BitsetTest, ComplementedSetsAnswerBeyondTheirBytes) {
    Cell a = make(text("a"));
    Cell inverse = a;
    bitset::complement(&inverse); // a new series
    testing::kept(inverse);
    EXPECT_TRUE(picks(inverse, integer(1000)));
    EXPECT_FALSE(picks(inverse, character('a')));
    EXPECT_EQ(mold(inverse), "make bitset! [not #{00000000000000000000000040}]");

    Cell negated = make(not_block({text("a")}));
    EXPECT_TRUE(finds(negated, text("b")));
    EXPECT_FALSE(finds(negated, text("a")));
    EXPECT_EQ(bitset::compare(&inverse, &negated, compare_code::equal), 0);
    EXPECT_EQ(bitset::compare(&a, &negated, compare_code::equal), -1);

    // Setting a far member grows the array with members.
    Cell far = integer(1000);
    bitset::append(&negated, &far, -1, false, 1, true);
    EXPECT_TRUE(picks(negated, integer(999)));
    EXPECT_FALSE(picks(negated, character('a')));
}

TEST_F(BitsetTest, EditingAndPaths) {
    Cell set = make(integer(16));
    Cell t = integer(1);
    bitset::poke(&set, 3, &t, nullptr);
    EXPECT_TRUE(picks(set, integer(3)));
    Cell zero = integer(0);
    Cell three = integer(3);
    bitset::eval_path(&set, &three, &zero, nullptr);
    EXPECT_FALSE(picks(set, integer(3)));
    EXPECT_EQ(bitset::eval_path(&set, &three, nullptr, nullptr)->data1, 0u);
    EXPECT_EQ(cell_type(&set), type_id::bitset); // reading a path leaves the value alone

    // remove/part takes members out, complemented or not.
    Cell negated = make(not_block({character('x')}));
    Cell part = text("ab");
    bitset::remove(&negated, &part, nullptr);
    EXPECT_FALSE(picks(negated, character('a')));
    EXPECT_TRUE(picks(negated, character('c')));
    bitset::clear(&negated);
    EXPECT_FALSE(picks(negated, character('c')));
    EXPECT_FALSE(picks(negated, integer(100000)));

    Cell copy;
    bitset::copy(&set, &copy, nullptr, false, nullptr);
    EXPECT_NE(value::series_node(&copy), value::series_node(&set));
    EXPECT_EQ(bitset::compare(&copy, &set, compare_code::equal), 0);
    EXPECT_NE(bitset::compare(&copy, &set, compare_code::same), 0);
}

TEST_F(BitsetTest, BadSpecsRaise) {
    EXPECT_TRUE(script_error("past-end", [&] {
        make(block_of({character('z'), word_named("-"), character('a')}));
    }));
    EXPECT_TRUE(script_error("past-end", [&] { make(block_of({integer(1), word_named("-")})); }));
    EXPECT_TRUE(script_error("invalid-arg", [&] {
        make(block_of({integer(1), word_named("-"), character('a')}));
    }));
    EXPECT_TRUE(script_error("out-of-range", [&] { make(integer(-1)); }));
    EXPECT_TRUE(script_error("out-of-range", [&] { make(block_of({integer(-5)})); }));
    EXPECT_TRUE(script_error("bad-make-arg", [&] { make(datatype(type_id::integer)); }));
    EXPECT_TRUE(script_error("bad-to-arg", [&] {
        Cell out, spec = integer(8);
        bitset::to(&out, &spec, type_id::bitset);
    }));
    Cell set = make(integer(8));
    EXPECT_TRUE(script_error("missing-arg", [&] { bitset::remove(&set, nullptr, nullptr); }));
    Cell other = integer(1);
    EXPECT_TRUE(script_error("invalid-type",
                             [&] { bitset::combine(&set, &set, &other, bitset::op::or_); }));
}

TEST_F(BitsetTest, TypesetsAndTriples) {
    // (Names print for the types registered here.)
    Cell a, b;
    Cell spec_a = block_of({datatype(type_id::triple), datatype(type_id::date)});
    Cell spec_b = block_of({datatype(type_id::date), datatype(type_id::triple)});
    typeset::make(&a, &spec_a, type_id::typeset);
    typeset::make(&b, &spec_b, type_id::typeset);
    EXPECT_EQ(typeset::count(&a), 2);
    EXPECT_EQ(typeset::compare(&a, &b, compare_code::equal), 0);
    EXPECT_EQ(mold(a), "make typeset! [triple! date!]");
    EXPECT_EQ(mold(a, true), "triple! date!");
    Cell found = datatype(type_id::date);
    EXPECT_EQ(typeset::find(&a, &found, nullptr, false, false, false, false, nullptr, nullptr,
                            false, false, false, false)
                  ->data1,
              1u);

    Cell bitset_type = datatype(type_id::bitset);
    typeset::combine(&a, &a, &bitset_type, bitset::op::union_);
    EXPECT_EQ(mold(a), "make typeset! [bitset! triple! date!]");
    typeset::combine(&a, &a, &b, bitset::op::exclude);
    EXPECT_EQ(mold(a), "make typeset! [bitset!]");
    typeset::complement(&a);
    EXPECT_FALSE(typeset::has_type(&a, type_id::bitset));
    EXPECT_TRUE(typeset::has_type(&a, type_id::date));
    Cell listed;
    typeset::to_block(&b, &listed);
    EXPECT_EQ(node_buffer(value::series_node(&listed))->tail -
                  node_buffer(value::series_node(&listed))->head,
              2 * sizeof(Cell));

    Cell all;
    typeset::make_default(&all);
    EXPECT_FALSE(typeset::has_type(&all, type_id::unset));
    EXPECT_TRUE(typeset::has_type(&all, type_id::none));
    EXPECT_TRUE(script_error("invalid-arg", [&] {
        Cell bad = block_of({integer(1)});
        typeset::make(&a, &bad, type_id::typeset);
    }));
    EXPECT_TRUE(script_error("invalid-type-spec", [&] {
        Cell bad = block_of({block_of({}), integer(1)});
        typeset::from_block(&a, &bad);
    }));

    Cell t;
    triple::make_at(&t, 1, -2, 2147483647);
    EXPECT_EQ(mold(t), "make triple! [1 -2 2147483647]");
}

} // namespace
} // namespace zep
