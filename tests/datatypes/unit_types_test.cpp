// The unit datatypes: form and mold, make and to, the comparison contract,
// the truth tests and the logic! actions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "datatypes/datatype.h"
#include "datatypes/logic.h"
#include "datatypes/none.h"
#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/unset.h"
#include "evaluator/stack.h"
#include "runtime/gc_roots.h"
#include "runtime/value_make.h"
#include "tests/boot/runtime_fixture.h"

namespace zep {
namespace {

class UnitTypesTest : public testing::RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        // The tests work on the bottom of the stack, outside any frame: a
        // raise only records its id and throws (no error value is built).
        error::set_fire_hook(nullptr);
    }
};

Cell make_cell(uint8_t type, uint32_t d1 = 0) {
    Cell c;
    value::set_cell(&c, type, d1);
    return c;
}

std::string text_of(const Cell* string) {
    std::string out;
    for (uint32_t i = 0; i < string::length(string); ++i) {
        out += static_cast<char>(string::char_at(string, i));
    }
    return out;
}

// Runs the value's form slot (mode 0), mold (1) or mold/all (2).
std::string render(const Cell& value, int mode, int32_t* left = nullptr, int32_t limit = INT_MAX) {
    Cell out;
    string::make_at(&out, 16);
    uint8_t type = cell_type(&value);
    int32_t rest =
        mode == 0 ? actions::slot_as<FormFn>(type, action_slot::form)(&value, &out, limit)
                  : actions::slot_as<MoldFn>(type, action_slot::mold)(&value, &out, false,
                                                                      mode == 2, false, limit, 0);
    if (left) *left = rest;
    return text_of(&out);
}

// Runs body and answers the id of the script error it raised (null when none).
template <class Body> const char* script_error(Body&& body) {
    error::last_raised = {error::Category::throw_, nullptr};
    try {
        body();
    } catch (const catch_::Unwind&) {
        EXPECT_EQ(error::last_raised.category, error::Category::script);
        return error::last_raised.id;
    }
    return nullptr;
}

TEST_F(UnitTypesTest, FormAndMold) {
    struct Case {
        Cell value;
        const char* form;
        const char* mold;
        const char* mold_all;
    };
    const Case cases[] = {
        {make_cell(type_id::unset), "", "unset", "#(unset)"},
        {make_cell(type_id::none), "none", "none", "#(none)"},
        {make_cell(type_id::logic, 1), "true", "true", "#(true)"},
        {make_cell(type_id::logic, 0), "false", "false", "#(false)"},
        {make_cell(type_id::datatype, type_id::logic), "logic", "logic!", "#(logic!)"},
        {make_cell(type_id::datatype, type_id::datatype), "datatype", "datatype!", "#(datatype!)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(render(c.value, 0), c.form);
        EXPECT_EQ(render(c.value, 1), c.mold);
        EXPECT_EQ(render(c.value, 2), c.mold_all);
    }
    // The answer is the limit minus the characters written.
    int32_t left = 0;
    render(make_cell(type_id::none), 0, &left, 3);
    EXPECT_EQ(left, -1);
    render(make_cell(type_id::unset), 0, &left, 3);
    EXPECT_EQ(left, 3);
    render(make_cell(type_id::logic, 0), 2, &left, 100);
    EXPECT_EQ(left, 92);
}

TEST_F(UnitTypesTest, MakeAndToLogic) {
    Cell nan, minus_zero, zero, small, percent_zero;
    value::set_float(&nan, std::nan(""));
    value::set_float(&minus_zero, -0.0);
    value::set_float(&zero, 0.0);
    value::set_float(&small, 1e-300);
    value::set_double(&percent_zero, type_id::percent, 0.0);
    Cell int_zero, int_five;
    value::set_integer(&int_zero, 0);
    value::set_integer(&int_five, 5);
    struct Case {
        bool make; // make logic! (else to logic!)
        Cell spec;
        int expected; // 1 true, 0 false, -1 unset! kept
    };
    const Case cases[] = {
        {false, int_zero, 1}, // only none and false are false for to
        {true, int_zero, 0},
        {true, int_five, 1},
        {true, zero, 0},
        {true, minus_zero, 0},
        {true, nan, 1},
        {true, small, 1},
        {true, percent_zero, 0},
        {true, make_cell(type_id::none), 0}, // other specs go as to
        {false, make_cell(type_id::none), 0},
        {false, make_cell(type_id::unset), 1},
        {false, make_cell(type_id::logic, 0), 0},
        {false, make_cell(type_id::logic, 1), 1},
        {false, zero, 1},
    };
    for (const Case& c : cases) {
        Cell result = make_cell(type_id::datatype, type_id::logic);
        auto slot =
            actions::slot_as<MakeFn>(type_id::logic, c.make ? action_slot::make : action_slot::to);
        const Cell* made = slot(&result, &c.spec, type_id::logic);
        ASSERT_EQ(cell_type(made), type_id::logic);
        EXPECT_EQ(static_cast<int>(made->data1), c.expected)
            << (c.make ? "make " : "to ") << int{cell_type(&c.spec)};
    }
    // The shared cells are never written.
    EXPECT_EQ(logic::true_cell.data1, 1u);
    EXPECT_EQ(logic::false_cell.data1, 0u);
}

TEST_F(UnitTypesTest, ComparisonContract) {
    const Cell t = make_cell(type_id::logic, 1), f = make_cell(type_id::logic, 0);
    const Cell u = make_cell(type_id::unset), n = make_cell(type_id::none);
    const Cell dt_logic = make_cell(type_id::datatype, type_id::logic);
    const Cell dt_none = make_cell(type_id::datatype, type_id::none);
    Cell integer;
    value::set_integer(&integer, 4);
    constexpr int nc = compare_code::not_comparable;
    struct Case {
        const Cell* a;
        const Cell* b;
        int code;
        int expected;
    };
    const Case cases[] = {
        {&t, &f, compare_code::equal, 1},
        {&t, &t, compare_code::strict_equal, 0},
        {&t, &f, compare_code::lesser, nc},
        {&t, &f, compare_code::greater_or_equal, nc},
        {&f, &t, compare_code::sort, -1},
        {&t, &f, compare_code::find, 1},
        {&t, &n, compare_code::equal, nc},
        {&u, &u, compare_code::equal, 0},
        {&u, &u, compare_code::case_sort, 0},
        {&u, &u, compare_code::lesser, nc},
        {&u, &n, compare_code::equal, nc},
        {&n, &n, compare_code::sort, 0},
        {&n, &u, compare_code::same, nc},
        {&n, &n, compare_code::greater, nc},
        {&dt_logic, &dt_logic, compare_code::equal, 0},
        {&dt_logic, &dt_none, compare_code::not_equal, 1},
        {&dt_logic, &integer, compare_code::equal, 1}, // another type: just unequal
        {&dt_logic, &dt_logic, compare_code::sort, nc},
        {&dt_logic, &dt_logic, compare_code::lesser, nc},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(actions::compare_values(c.a, c.b, c.code), c.expected)
            << int{cell_type(c.a)} << " " << int{cell_type(c.b)} << " code " << c.code;
    }
}

TEST_F(UnitTypesTest, TruthTests) {
    // Each case is the current call's first argument.
    struct Case {
        Cell value;
        bool is_false;
    };
    const Case cases[] = {
        {make_cell(type_id::none), true},     {make_cell(type_id::logic, 0), true},
        {make_cell(type_id::logic, 2), true}, {make_cell(type_id::logic, 1), false},
        {make_cell(type_id::unset), false},   {make_cell(type_id::datatype, 1), false},
    };
    for (const Case& c : cases) {
        stack::reset();
        stack::push(&c.value);
        EXPECT_EQ(logic::is_false(), c.is_false);
        EXPECT_EQ(logic::is_top_false(), c.is_false);
        EXPECT_EQ(logic::is_true_value(&c.value, false, nullptr), !c.is_false);
    }

    Cell u = make_cell(type_id::unset);
    stack::reset();
    stack::push(&u);
    EXPECT_STREQ(script_error([] { logic::is_true(); }), "no-return");
    EXPECT_STREQ(script_error([&] { logic::is_true_value(&u, true, nullptr); }), "no-value");

    // The top test reads the last pushed value; with nothing pushed in the
    // frame, the base cell.
    Cell t = make_cell(type_id::logic, 1), n = make_cell(type_id::none);
    stack::reset();
    stack::push(&t);
    stack::push(&n);
    EXPECT_TRUE(logic::is_top_false());
    EXPECT_TRUE(logic::is_true());
    stack::reset();
    *stack::base() = t;
    EXPECT_TRUE(logic::is_top_true());
}

TEST_F(UnitTypesTest, LogicOperations) {
    struct Case {
        uint32_t a, b;
        FrameFn op;
        uint32_t expected;
    };
    const Case cases[] = {
        {1, 1, &logic::and_, 1}, {1, 0, &logic::and_, 0}, {0, 0, &logic::or_, 0},
        {0, 1, &logic::or_, 1},  {1, 1, &logic::xor_, 0}, {0, 1, &logic::xor_, 1},
    };
    for (const Case& c : cases) {
        stack::reset();
        Cell a = make_cell(type_id::logic, c.a), b = make_cell(type_id::logic, c.b);
        stack::push(&a);
        stack::push(&b);
        c.op();
        EXPECT_EQ(cell_type(stack::base()), type_id::logic);
        EXPECT_EQ(stack::base()->data1, c.expected);
    }
    // The registered slots are these workers.
    EXPECT_EQ(actions::slot_of(type_id::logic, action_slot::or_),
              reinterpret_cast<ActionSlot>(&logic::or_));

    Cell a = make_cell(type_id::logic, 1), number;
    value::set_integer(&number, 1);
    EXPECT_STREQ(script_error([&] { logic::operate(&a, &number, 6); }), "expect-arg");
    EXPECT_EQ(a.data1, 1u);

    auto complement = actions::slot_as<ComplementFn>(type_id::logic, action_slot::complement);
    EXPECT_EQ(complement(&a)->data1, 0u);
    EXPECT_EQ(complement(&a)->data1, 1u);
}

TEST_F(UnitTypesTest, RandomLogic) {
    auto random = actions::slot_as<RandomFn>(type_id::logic, action_slot::random);
    auto draws = [&] {
        std::vector<uint32_t> flags;
        for (int i = 0; i < 64; ++i) {
            Cell v = make_cell(type_id::logic, 1);
            flags.push_back(random(&v, false, false, false)->data1);
        }
        return flags;
    };
    Cell seed = make_cell(type_id::logic, 1);
    EXPECT_EQ(cell_type(random(&seed, true, false, false)), type_id::unset);
    std::vector<uint32_t> first = draws();
    seed = make_cell(type_id::logic, 1);
    random(&seed, true, false, false);
    EXPECT_EQ(draws(), first); // reproducible from the seed
    size_t trues = 0;
    for (uint32_t f : first) trues += f;
    EXPECT_GT(trues, 0u);
    EXPECT_LT(trues, first.size());

    Cell v = make_cell(type_id::logic, 1);
    const Cell* secure = random(&v, false, true, false);
    EXPECT_EQ(cell_type(secure), type_id::logic);
    EXPECT_LE(secure->data1, 1u);
}

TEST_F(UnitTypesTest, SupportedSlots) {
    // unset! and datatype! support only what they document.
    for (uint32_t slot = 1; slot <= action_slot::count; ++slot) {
        bool unset_has = slot == action_slot::make || slot == action_slot::to ||
                         slot == action_slot::form || slot == action_slot::mold ||
                         slot == action_slot::compare;
        bool datatype_has =
            slot == action_slot::form || slot == action_slot::mold || slot == action_slot::compare;
        EXPECT_EQ(actions::slot_of(type_id::unset, slot) != nullptr, unset_has) << slot;
        EXPECT_EQ(actions::slot_of(type_id::datatype, slot) != nullptr, datatype_has) << slot;
    }
    EXPECT_STREQ(datatype::type_table[type_id::none].name, "none!");
    EXPECT_EQ(datatype::type_table[type_id::datatype].name_length, 8u);
}

TEST_F(UnitTypesTest, SeriesActionsOnNoneAnswerNone) {
    Cell v = make_cell(type_id::none), arg = make_cell(type_id::logic, 1);
    EXPECT_EQ(cell_type(none::find(&v, &arg, nullptr, false, false, false, false, nullptr, nullptr,
                                   false, false, false, false)),
              type_id::none);
    auto length = actions::slot_as<LengthFn>(type_id::none, action_slot::is_length);
    EXPECT_EQ(length(&v), -1);
    auto take = actions::slot_as<TakeFn>(type_id::none, action_slot::take);
    EXPECT_EQ(take(&v, nullptr, true, true), &v);
    for (uint32_t slot : {action_slot::clear, action_slot::remove, action_slot::select}) {
        EXPECT_NE(actions::slot_of(type_id::none, slot), nullptr) << slot;
    }
    // make and to yield none whatever the spec.
    auto make = actions::slot_as<MakeFn>(type_id::none, action_slot::make);
    Cell result = make_cell(type_id::datatype, type_id::none);
    EXPECT_EQ(cell_type(make(&result, &arg, type_id::none)), type_id::none);
    auto to_unset = actions::slot_as<ToFn>(type_id::unset, action_slot::to);
    EXPECT_EQ(cell_type(to_unset(&result, &arg, type_id::unset)), type_id::unset);
}

TEST_F(UnitTypesTest, ConstructorsWriteWholeHeaders) {
    stack::reset();
    Cell flagged = make_cell(type_id::logic, 1);
    flagged.header |= cell_flag_new_line;
    stack::push(&flagged);
    EXPECT_EQ(unset::box()->header, uint32_t{type_id::unset});
    EXPECT_EQ(logic::box(true)->header, uint32_t{type_id::logic});
    EXPECT_EQ(none::box(), stack::base());
    EXPECT_EQ(stack::base()->header, uint32_t{type_id::none});
    Cell* pushed = logic::push(false);
    EXPECT_EQ(pushed, stack::top());
    EXPECT_EQ(pushed->data1, 0u);
    EXPECT_EQ(datatype::push(type_id::logic)->data1, uint32_t{type_id::logic});

    Cell block;
    value::set_series(&block, type_id::block, series::alloc_cells(1));
    gc::Root keep(&block);
    unset::make_in(&block);
    none::make_in(&block);
    logic::make_in(&block, true);
    datatype::append_to_block(&block, type_id::none);
    SeriesBuffer* buffer = node_buffer(value::series_node(&block));
    auto* cells = reinterpret_cast<Cell*>(buffer_head(buffer));
    ASSERT_EQ(buffer->tail - buffer->head, 4 * sizeof(Cell));
    EXPECT_EQ(cell_type(&cells[0]), type_id::unset);
    EXPECT_EQ(cell_type(&cells[1]), type_id::none);
    EXPECT_EQ(cells[2].header, uint32_t{type_id::logic});
    EXPECT_EQ(cells[2].data1, 1u);
    EXPECT_EQ(cells[3].data1, uint32_t{type_id::none});
}

} // namespace
} // namespace zep
