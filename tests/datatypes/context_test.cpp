// Symbols, contexts and words: interning and aliases, lookup through
// aliases, setting and getting, binding, building and cloning contexts, and
// the word family's comparison, form and mold.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "datatypes/context.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/stack.h"
#include "runtime/case_fold.h"
#include "runtime/cell_ops.h"
#include "runtime/error_catalog.h"
#include "runtime/gc_roots.h"
#include "runtime/hashtable.h"
#include "runtime/value_make.h"
#include "tests/evaluator/stack_fixture.h"

namespace zep {
namespace {

class ContextTest : public testing::StackTest {
  protected:
    void SetUp() override {
        StackTest::SetUp();
        Cell receiver = word(testing::sym.other);
        stack::mark_try(&receiver); // receives what the tests raise
    }

    static Cell word_cell(const char* name, uint8_t type = type_id::word, Ref context = 0) {
        Cell w;
        value::set_word(&w, type, context, symbol::make(name));
        return w;
    }
    // A block cell holding the cells.
    static Cell block_of(std::initializer_list<Cell> cells) {
        Ref node = series::alloc_cells(static_cast<uint32_t>(cells.size()) + 1);
        gc::RootRef keep(node);
        for (const Cell& c : cells) *series::alloc_tail_cell(node_buffer(node)) = c;
        Cell block;
        value::set_series(&block, type_id::block, node);
        return testing::kept(block);
    }
    // Keeps a context alive until the test ends.
    static Ref held(Ref context) {
        testing::kept(Cell{type_id::object, context, 0, 0});
        return context;
    }
    static Cell* item(const Cell& block, uint32_t i) {
        return reinterpret_cast<Cell*>(buffer_head(node_buffer(value::series_node(&block)))) + i;
    }
    // Whether the body raised the script error `id` (with the word as its
    // first argument when one is given).
    template <class Body>
    static bool raises(const char* id, Body&& body, const Cell* named = nullptr) {
        if (testing::thrown_code(body) != catch_::code_error) return false;
        bool matched =
            testing::top_error_code() == error::catalog::code_of(error::Category::script, id);
        if (named) {
            const Cell* arg1 = error::field_of(stack::top(), error::field::arg1);
            matched = matched && value::word_symbol(arg1) == value::word_symbol(named);
        }
        Cell receiver = word(testing::sym.other);
        stack::reset();
        stack::mark_try(&receiver);
        return matched;
    }
    static std::string text_of(const Cell* string) {
        std::string out;
        for (uint32_t i = 0; i < string::length(string); ++i)
            out += static_cast<char>(string::char_at(string, i));
        return out;
    }
};

TEST_F(ContextTest, InterningMakesCaseVariantsAliasesOfTheFirstSpelling) {
    uint32_t foo = symbol::make("foo");
    uint32_t Foo = symbol::make("Foo");
    uint32_t FOO = symbol::make("FOO");
    EXPECT_NE(Foo, foo);
    EXPECT_EQ(symbol::alias(foo), -1);
    EXPECT_EQ(symbol::alias(Foo), static_cast<int32_t>(foo));
    EXPECT_EQ(symbol::alias(FOO), static_cast<int32_t>(foo)); // one level only
    EXPECT_EQ(symbol::make("foo"), foo);
    EXPECT_EQ(symbol::make("Foo"), Foo);
    EXPECT_EQ(symbol::resolve(FOO), foo);
    EXPECT_STREQ(symbol::utf8_text(Foo), "Foo");
    EXPECT_EQ(text_of(&*[&] {
                  static Cell s;
                  value::set_series(&s, type_id::string, symbol::get_cell(FOO)->data2);
                  return &s;
              }()),
              "FOO");
    // Any-variant interning answers a variant; a miss makes a symbol of its own.
    uint32_t any =
        symbol::intern(symbol::table, reinterpret_cast<const unsigned char*>("fOo"), 3, true);
    EXPECT_TRUE(any == foo || any == Foo || any == FOO);
    EXPECT_EQ(symbol::find_any_case("fOO"), foo);
    uint32_t fresh = symbol::find_any_case("Bar");
    EXPECT_EQ(symbol::alias(fresh), -1);
    EXPECT_EQ(symbol::alias(symbol::make("bar")), static_cast<int32_t>(fresh));
    // Letters outside ASCII match exactly: é and É are unrelated.
    uint32_t small = symbol::make("\xC3\xA9t\xC3\xA9");
    uint32_t capital = symbol::make("\xC3\x89t\xC3\xA9");
    EXPECT_NE(small, capital);
    EXPECT_EQ(symbol::alias(capital), -1);
    Cell a = word_cell("\xC3\xA9t\xC3\xA9");
    Cell b = word_cell("\xC3\x89t\xC3\xA9");
    EXPECT_EQ(actions::compare_values(&a, &b, compare_code::equal), 1);
}

TEST_F(ContextTest, SymbolTableGrowsAndKeepsIds) {
    std::vector<uint32_t> ids;
    for (int i = 0; i < 20000; ++i)
        ids.push_back(symbol::make(("name-" + std::to_string(i)).c_str()));
    for (int i = 0; i < 20000; i += 7)
        ASSERT_EQ(symbol::make(("name-" + std::to_string(i)).c_str()), ids[i]);
    EXPECT_EQ(symbol::alias(symbol::make("NAME-19999")), static_cast<int32_t>(ids[19999]));
}

TEST_F(ContextTest, WordsAddedIntoUnwrittenRoomReadUnset) {
    // make_node leaves the room past its words unwritten: each added word
    // writes its own unset value.
    Ref ctx = held(context::make_node(100, false, false, 0, context::kind::object));
    for (int i = 0; i < 60; ++i) {
        Cell w = word_cell(("room-" + std::to_string(i)).c_str());
        ASSERT_EQ(context::add_word(ctx, &w), i);
        ASSERT_EQ(cell_type(context::value_at(ctx, i)), type_id::unset) << i;
    }
}

TEST_F(ContextTest, AddFindSetAndGetThroughAliases) {
    Ref ctx = held(context::make_node(2, false, false, 0, context::kind::object));
    Cell a = word_cell("alpha", type_id::word, ctx);
    Cell b = word_cell("beta", type_id::set_word, ctx);
    EXPECT_EQ(context::add_word(ctx, &a), 0);
    EXPECT_EQ(context::add_word(ctx, &b), 1);
    EXPECT_EQ(context::add_word(ctx, &a), 0);
    for (int i = 0; i < 50; ++i) { // grow past the first sizing
        Cell w = word_cell(("w" + std::to_string(i)).c_str());
        ASSERT_EQ(context::add_word(ctx, &w), i + 2);
    }
    uint32_t ALPHA = symbol::make("ALPHA");
    EXPECT_EQ(context::find_symbol(ctx, ALPHA, true), 0);
    EXPECT_EQ(context::find_symbol(ctx, ALPHA, false), -1);

    Cell value;
    value::set_integer(&value, 42);
    Cell upper = word_cell("ALPHA", type_id::word, ctx);
    context::set_value(&upper, &value, ctx, true); // resolves and caches the index
    EXPECT_EQ(value::word_index(&upper), 0);
    EXPECT_EQ(value::integer_of(word::get(&upper)), 42);
    EXPECT_EQ(value::integer_of(context::value_of_symbol(ctx, ALPHA)), 42);
    // Object contexts mark the fields that were set.
    EXPECT_TRUE(context::word_at(ctx, 0)->header & context::field_assigned);
    EXPECT_FALSE(context::word_at(ctx, 1)->header & context::field_assigned);

    Cell unresolved = word_cell("alpha", type_id::word, ctx);
    EXPECT_TRUE(raises(
        "no-value", [&] { word::get(&unresolved); }, &unresolved));
    Cell self = word_cell("self", type_id::word, ctx);
    value::set_integer(context::owner(ctx), 7);
    EXPECT_EQ(value::integer_of(word::get(&self)), 7);

    // A function context whose values are absent.
    Ref fn = held(context::make_node(1, true, false, 0, context::kind::function));
    Cell local = word_cell("x", type_id::word, fn);
    local.data3 = static_cast<uint32_t>(context::add_word(fn, &local));
    EXPECT_TRUE(raises(
        "not-in-context", [&] { word::get(&local); }, &local));
    EXPECT_TRUE(raises(
        "not-defined", [&] { word::set(&local, &value); }, &local));
    context::set_stack_values(fn, 10);
    word::set(&local, &value);
    EXPECT_EQ(value::integer_of(stack::cell_at(10)), 42);
    context::clear_stack_values(fn);
}

TEST_F(ContextTest, GlobalWordsShareSlotsAcrossCaseVariants) {
    Cell foo;
    word::make_at(symbol::make("foo"), &foo);
    Cell value;
    value::set_integer(&value, 5);
    word::set(&foo, &value);
    Cell variant;
    word::intern_global(symbol::make("FOO"), &variant);
    EXPECT_EQ(value::word_symbol(&variant), symbol::make("FOO"));
    EXPECT_EQ(value::word_index(&variant), value::word_index(&foo));
    EXPECT_EQ(value::integer_of(word::get(&variant)), 5);
    EXPECT_EQ(value::integer_of(context::global_value(symbol::make("Foo"))), 5);
    uint32_t before = context::word_count(context::global);
    context::set_global(symbol::make("Foo"), &value); // exact: a new global word
    EXPECT_EQ(context::word_count(context::global), before + 1);
}

TEST_F(ContextTest, BindDeepBindsKnownWordsSelfAndSurvivesCycles) {
    Ref ctx = held(context::make_node(4, false, true, 0, context::kind::object));
    Cell a = word_cell("a");
    Cell b = word_cell("b");
    context::add_word(ctx, &a);
    context::add_word(ctx, &b);
    Cell inner = block_of({word_cell("B", type_id::get_word), word_cell("other")});
    Cell paren = inner;
    value::set_type(&paren, type_id::paren);
    Cell outer = block_of({word_cell("a", type_id::set_word), inner, word_cell("self"), paren,
                           word_cell("b", type_id::refinement)});
    *series::alloc_tail_cell(node_buffer(value::series_node(&outer))) = outer; // a cycle
    context::bind_deep(&outer, ctx, true);
    EXPECT_EQ(value::word_context(item(outer, 0)), ctx);
    EXPECT_EQ(value::word_index(item(outer, 0)), 0);
    EXPECT_EQ(value::word_context(item(inner, 0)), ctx);
    EXPECT_EQ(value::word_index(item(inner, 0)), 1);
    EXPECT_EQ(value::word_context(item(inner, 1)), 0u); // unknown: binding kept
    EXPECT_EQ(value::word_context(item(outer, 2)), ctx);
    EXPECT_EQ(value::word_index(item(outer, 2)), -1); // self reads the owner
    EXPECT_EQ(value::word_index(item(outer, 4)), 1);
}

// global_index keeps its answers: each must stay the one a lookup of the
// word (any case) gives, also once an exact-case twin joins the context.
TEST_F(ContextTest, GlobalIndexAgreesWithAnyCaseLookup) {
    Cell value = integer(1);
    uint32_t words = context::word_count(context::global);
    const char* names[] = {"gx-new", "GX-NEW", "gx-new", "Gx-New"};
    for (const char* name : names) {
        uint32_t symbol = symbol::make(name);
        int32_t index = context::global_index(symbol);
        EXPECT_EQ(index, context::find_symbol(context::global, symbol, true)) << name;
        EXPECT_EQ(symbol::resolve(value::word_symbol(context::word_at(context::global, index))),
                  symbol::resolve(symbol));
    }
    EXPECT_EQ(context::word_count(context::global), words + 1) << "one word for every case";
    context::set_global(symbol::make("GX-NEW"), &value); // an exact-case twin
    EXPECT_EQ(context::word_count(context::global), words + 2);
    for (const char* name : names) {
        uint32_t symbol = symbol::make(name);
        EXPECT_EQ(context::global_index(symbol),
                  context::find_symbol(context::global, symbol, true))
            << name;
    }
}

// Small contexts bind through an index by symbol, big ones through their
// word table: both must agree with a lookup of each word (any case).
TEST_F(ContextTest, BindDeepAgreesWithWordLookupAtEverySize) {
    for (int size : {1, 63, 64, 65, 300}) {
        SCOPED_TRACE(size);
        Ref ctx = held(
            context::make_node(static_cast<uint32_t>(size), false, true, 0, context::kind::object));
        for (int i = 0; i < size; ++i) {
            Cell w = word_cell(("w" + std::to_string(i)).c_str());
            context::add_word(ctx, &w);
        }
        std::string last = std::to_string(size - 1), past = std::to_string(size);
        // Case variants and a word past the context, interned after its words.
        Cell inner = block_of(
            {word_cell(("W" + last).c_str(), type_id::get_word), word_cell(("w" + past).c_str())});
        Cell outer = block_of({word_cell("w0", type_id::set_word), inner, word_cell("W0"),
                               word_cell(("w" + last).c_str(), type_id::lit_word)});
        context::bind_deep(&outer, ctx, false);
        for (Cell* w :
             {item(outer, 0), item(inner, 0), item(inner, 1), item(outer, 2), item(outer, 3)}) {
            int32_t expected = context::find_symbol(ctx, value::word_symbol(w), true);
            EXPECT_EQ(value::word_context(w), expected >= 0 ? ctx : 0u);
            if (expected >= 0) {
                EXPECT_EQ(value::word_index(w), expected);
            }
        }
    }
}

// A bind that an error ends (blocks nested past the cycle stack) leaves no
// trace: the next bind to another context binds only that context's words.
TEST_F(ContextTest, BindDeepEndedByAnErrorLeavesTheNextBindExact) {
    Ref first = held(context::make_node(2, false, true, 0, context::kind::object));
    Cell only_first = word_cell("only-first");
    context::add_word(first, &only_first);
    Cell deep = block_of({word_cell("only-first")});
    for (uint32_t i = 0; i < cycles::max_levels; ++i) deep = block_of({deep});
    EXPECT_EQ(testing::thrown_code([&] { context::bind_deep(&deep, first, false); }),
              catch_::code_error);
    EXPECT_EQ(testing::top_error_code(),
              error::catalog::code_of(error::Category::internal, "too-deep"));
    Cell receiver = word(testing::sym.other);
    stack::reset();
    stack::mark_try(&receiver);

    Ref second = held(context::make_node(2, false, true, 0, context::kind::object));
    Cell own = word_cell("own");
    context::add_word(second, &own);
    Cell block = block_of({word_cell("only-first"), word_cell("own")});
    context::bind_deep(&block, second, false);
    EXPECT_EQ(value::word_context(item(block, 0)), 0u);
    EXPECT_EQ(value::word_context(item(block, 1)), second);
    EXPECT_EQ(value::word_index(item(block, 1)), 0);
}

TEST_F(ContextTest, MakeFromWordsAddSetWordsAndCloneIndependence) {
    Cell spec = block_of({word_cell("a"), word_cell("b", type_id::set_word),
                          word_cell("c", type_id::lit_word), word_cell("d", type_id::get_word),
                          word_cell("e", type_id::refinement), word_cell("A")});
    Ref ctx = held(context::make_from_words(&spec, false, false, context::kind::function));
    EXPECT_EQ(context::word_count(ctx), 4u);
    EXPECT_EQ(context::find_symbol(ctx, symbol::make("b"), true), -1);
    EXPECT_EQ(cell_type(context::value_at(ctx, 3)), type_id::unset);
    EXPECT_TRUE(context::add_set_words(ctx, &spec));
    EXPECT_FALSE(context::add_set_words(ctx, &spec));
    EXPECT_EQ(context::find_symbol(ctx, symbol::make("b"), true), 4);

    Cell holder{type_id::object, ctx, 0, 0};
    Cell value;
    value::set_integer(&value, 1);
    context::put(ctx, item(spec, 0), &value);
    Ref copy = held(context::clone(&holder, context::kind::object));
    EXPECT_EQ(holder.data1, copy);
    EXPECT_EQ(context::word_count(copy), 5u);
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(value::word_context(context::word_at(copy, i)), copy);
        EXPECT_EQ(value::word_context(context::word_at(ctx, i)), ctx);
        EXPECT_EQ(cell_type(context::value_at(copy, i)), type_id::unset);
    }
    value::set_integer(&value, 2);
    Cell w = word_cell("new-one");
    context::put(copy, &w, &value);
    EXPECT_EQ(context::find_symbol(ctx, symbol::make("new-one"), true), -1);
    EXPECT_EQ(value::integer_of(context::value_at(ctx, 0)), 1);
}

TEST_F(ContextTest, WordComparisonCodes) {
    Cell lit_Foo = word_cell("Foo", type_id::lit_word);
    Cell lit_foo = word_cell("foo", type_id::lit_word);
    Cell word_foo = word_cell("foo");
    Cell set_foo = word_cell("foo", type_id::set_word);
    Cell word_Foo = word_cell("Foo");
    Cell other_ctx = word_foo;
    other_ctx.data1 = context::global;
    Cell issue = word_foo;
    issue.header = type_id::issue;
    struct Case {
        const Cell* a;
        const Cell* b;
        int code;
        int result;
    };
    const Case cases[] = {
        {&lit_Foo, &lit_foo, compare_code::equal, 0},
        {&lit_Foo, &lit_foo, compare_code::strict_equal, 1},
        {&word_foo, &set_foo, compare_code::equal, 0},
        {&word_foo, &set_foo, compare_code::strict_equal, 1},
        {&word_foo, &other_ctx, compare_code::same, 1},
        {&word_foo, &word_foo, compare_code::same, 0},
        {&word_foo, &lit_foo, compare_code::word_equal, 0},
        {&word_Foo, &lit_foo, compare_code::word_equal, 1},
        {&word_Foo, &lit_foo, compare_code::word_not_equal, 0},
        {&set_foo, &lit_foo, compare_code::word_not_equal, 1},
        {&word_foo, &issue, compare_code::equal, compare_code::not_comparable},
        {&word_Foo, &lit_foo, compare_code::lesser, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(actions::compare_values(c.a, c.b, c.code), c.result) << c.code;
    Cell integer;
    value::set_integer(&integer, 1);
    EXPECT_EQ(actions::compare_values(&word_foo, &integer, compare_code::equal),
              compare_code::not_comparable);
}

TEST_F(ContextTest, FormMoldAndIndex) {
    struct Case {
        uint8_t type;
        const char* mold;
    };
    const Case cases[] = {{type_id::word, "Foo"},
                          {type_id::lit_word, "'Foo"},
                          {type_id::set_word, "Foo:"},
                          {type_id::get_word, ":Foo"},
                          {type_id::refinement, "/Foo"}};
    symbol::make("foo");
    for (const Case& c : cases) {
        Cell w = word_cell("Foo", c.type);
        Cell& out = *stack::push_slot();
        string::make_at(&out, 8);
        int32_t left = actions::slot_as<MoldFn>(c.type, action_slot::mold)(&w, &out, false, false,
                                                                           false, 100, 0);
        EXPECT_EQ(text_of(&out), c.mold);
        EXPECT_EQ(left, 100 - static_cast<int32_t>(std::strlen(c.mold)));
        string::make_at(&out, 8);
        actions::slot_as<FormFn>(c.type, action_slot::form)(&w, &out, INT_MAX);
        EXPECT_EQ(text_of(&out), "Foo"); // its own spelling, not the alias's
    }
    Cell w = word_cell("x");
    word::index_of(&w);
    EXPECT_EQ(cell_type(&w), type_id::none);
    Cell bound = word_cell("x", type_id::word, context::global);
    bound.data3 = 4;
    word::index_of(&bound);
    EXPECT_EQ(value::integer_of(&bound), 5);
}

TEST_F(ContextTest, MakeWordFromNonTextSpecs) {
    Cell result;
    Cell spec;
    value::set_logic(&spec, true);
    word::make(&result, &spec, type_id::lit_word);
    EXPECT_EQ(cell_type(&result), type_id::lit_word);
    EXPECT_EQ(value::word_symbol(&result), symbol::make("true"));
    EXPECT_EQ(value::word_context(&result), context::global);
    Cell set = word_cell("foo", type_id::set_word);
    word::to(&result, &set, type_id::word);
    EXPECT_EQ(cell_type(&result), type_id::word);
    value::set_integer(&spec, 3);
    EXPECT_TRUE(raises("bad-to-arg", [&] { word::make(&result, &spec, type_id::word); }));
}

TEST_F(ContextTest, MapWordKeysFindOneEntryKeptAsSetWord) {
    Cell one;
    value::set_integer(&one, 1);
    Cell block = block_of({word_cell("a"), one});
    Ref t = hash::make_table(2, &block, hash::kind::map, 0);
    testing::kept(Cell{type_id::map, 0, block.data2, t});
    EXPECT_EQ(cell_type(item(block, 0)), type_id::set_word);
    for (uint8_t type : {type_id::word, type_id::set_word, type_id::lit_word, type_id::get_word}) {
        Cell key = word_cell("A", type);
        EXPECT_EQ(hash::get(t, &key, 0, 1, hash::code_equal, false, false), item(block, 0));
        EXPECT_EQ(cell_type(&key), type);
    }
}

} // namespace
} // namespace zep
