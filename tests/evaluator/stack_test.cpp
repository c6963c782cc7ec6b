// The argument and frame stacks: marking, popping, unrolling and the four
// non-local exits with the frames that receive them.
#include <gtest/gtest.h>

#include "datatypes/context.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/word.h"

#include "tests/evaluator/stack_fixture.h"
#include <string>

namespace zep {
namespace {

using testing::StackTest;
using testing::sym;
using testing::thrown_code;
using testing::top_error_code;

TEST_F(StackTest, ArgumentStackHoldsAtMost19999Cells) {
    Cell w = word(sym.fn);
    stack::mark_try(&w);
    Cell v = integer(7);
    while (top_index() < stack::argument_cells - 1) stack::push(&v);
    EXPECT_EQ(top_index(), 19999u);
    // The failing push raises stack-overflow with the top 5 cells lower, so
    // the error is built at index 19994.
    static uint32_t error_index;
    error_index = 0;
    error::trace_hook = [](const Cell* e) { error_index = stack::index_of(e); };
    cycles::push(5);
    EXPECT_EQ(thrown_code([&] { stack::push(&v); }), catch_::code_error);
    EXPECT_EQ(error_index, 19994u);
    EXPECT_EQ(top_error_code(), 904);
    EXPECT_EQ(cycles::depth(), 0u);
}

// A pushed result cell holds unset! whatever an earlier push left there, as
// the collector scans the stack up to its top; covering the cell keeps it.
TEST_F(StackTest, PushedSlotsHoldNothingFromEarlierCells) {
    Cell text;
    string::make_at(&text, 4);
    stack::push(&text);
    stack::pop(1);
    EXPECT_EQ(cell_type(stack::push_slot()), type_id::unset);
    stack::pop(1);
    stack::push(&text);
    stack::pop(1);
    EXPECT_EQ(cell_type(stack::cover_slot()), type_id::string);
    stack::pop(1);
}

TEST_F(StackTest, FrameStackHoldsExactly12000Records) {
    Cell w = word(sym.fn);
    for (uint32_t i = 0; i < stack::frame_records; ++i) stack::mark_native(&w);
    EXPECT_EQ(stack::frames.top, stack::frames.end);
    // Room for the error's receiver: make the bottom record a try frame.
    stack::frames.begin->header = stack::frame_header::try_;
    EXPECT_EQ(thrown_code([&] { stack::mark_native(&w); }), catch_::code_error);
    EXPECT_EQ(top_error_code(), 904);
    EXPECT_EQ(stack::frames.top, stack::frames.begin);
}

TEST_F(StackTest, MarkOperationsWriteTheirRecords) {
    struct Case {
        void (*mark)(const Cell*);
        uint32_t header;
    };
    const Case cases[] = {
        {stack::mark_native, 0x2000000},         {stack::mark_try, 0x4000000},
        {stack::mark_barrier, 0x5000000},        {stack::mark_catch, 0x6000000},
        {stack::mark_loop, 0x8000000},           {stack::mark_eval, 0x87000000},
        {stack::mark_interp_native, 0x82000000}, {stack::mark_interp_func, 0x81000000},
    };
    Cell v = integer(1);
    for (const Case& c : cases) {
        stack::push(&v);
        uint32_t base = base_index();
        Cell w = word(0x1ABCD, 0x4440); // only 16 bits of the symbol are recorded
        c.mark(&w);
        const stack::Frame* f = stack::top_frame();
        EXPECT_EQ(f->header, c.header | (0xABCDu << 8));
        EXPECT_EQ(f->saved_base, base);
        EXPECT_EQ(f->word_context, 0x4440u);
        EXPECT_EQ(f->function_context, 0u);
        EXPECT_EQ(f->saved_values, 0u);
        EXPECT_EQ(stack::base(), stack::arguments.top);
    }
}

TEST_F(StackTest, UnwindVariantsPlaceTheResult) {
    Cell w = word(sym.fn), one = integer(1), two = integer(2);
    stack::push(&one); // the caller's result slot
    auto call = [&] {
        stack::mark_native(&w);
        stack::push(&two);
        stack::push(&one);
    };
    call();
    stack::unwind();
    EXPECT_EQ(top_index(), 2u); // the result is the caller's last pushed cell
    EXPECT_EQ(value::integer_of(stack::top()), 2);
    EXPECT_EQ(base_index(), 0u);

    stack::pop(1);
    call();
    stack::unwind_last();
    EXPECT_EQ(value::integer_of(stack::base()), 2);
    EXPECT_EQ(top_index(), 2u);

    stack::pop(1);
    call();
    stack::unwind_drop(); // drops the caller's result slot as well
    EXPECT_EQ(top_index(), 0u);

    stack::mark_native(&w);
    stack::unwind_to();
    EXPECT_EQ(top_index(), 0u); // an empty frame stack empties the argument stack
    stack::unwind();            // unmatched: harmless
    EXPECT_EQ(stack::frames.top, stack::frames.begin);
}

TEST_F(StackTest, FunctionFramesRestoreRecursiveActivations) {
    Ref ctx = function_context();
    Cell f = word(sym.fn, ctx), body = word(sym.body, ctx), a = integer(10), b = integer(20);
    auto enter = [&](const Cell* arg) {
        stack::mark_func(&f, ctx);
        uint32_t args = base_index();
        stack::push(arg);
        context::set_stack_values(ctx, stack::index_of(stack::base()));
        stack::mark_native(&body);
        EXPECT_EQ(values_word(ctx), args + 1); // the callee reads its stacked arguments
        return args;
    };
    uint32_t outer = enter(&a);
    uint32_t inner = enter(&b);
    EXPECT_NE(outer, inner);
    stack::set_result_only(&b);
    stack::unwind_last();
    stack::unwind_func();
    EXPECT_EQ(values_word(ctx), outer + 1); // the outer activation sees its own arguments
    stack::reset();
    stack::unwind_last();
    stack::unwind_func_last();
    EXPECT_EQ(values_word(ctx), 0u);

    // Unrolling through both activations restores the same way.
    enter(&a);
    enter(&b);
    Cell t = word(sym.other);
    stack::mark_native(&t);
    stack::unroll(stack::frame_type::try_, false);
    EXPECT_EQ(values_word(ctx), 0u);
}

TEST_F(StackTest, UnrollKeepsTheReceivingFrame) {
    Cell w = word(sym.fn), l = word(sym.loop), v = integer(3);
    stack::push(&v);
    stack::mark_loop(&l);
    uint32_t loop_base = base_index();
    stack::push(&v);
    stack::mark_native(&w);
    stack::push(&v);
    stack::mark_native(&w);
    stack::push(&v);

    stack::Frame* f = stack::unroll_loop(true);
    EXPECT_EQ(stack::type_of(f), stack::frame_type::loop);
    EXPECT_EQ(stack::top_frame(), f);
    EXPECT_EQ(base_index(), loop_base);

    // unroll-last: the innermost result becomes the received frame's result.
    stack::mark_native(&w);
    Cell r = integer(99);
    stack::push(&r);
    stack::unroll_last(stack::frame_type::loop);
    EXPECT_EQ(stack::top_frame(), f);
    EXPECT_EQ(base_index(), loop_base);
    EXPECT_EQ(value::integer_of(stack::base()), 99);
}

TEST_F(StackTest, BreakAndContinueReachTheirLoop) {
    Cell l = word(sym.loop), w = word(sym.fn), v = integer(5);
    for (bool is_continue : {false, true}) {
        stack::reset();
        stack::mark_loop(&l);
        uint32_t loop_base = base_index();
        stack::push(&v);
        stack::push(&v);
        stack::mark_native(&w); // the break call
        stack::push(&v);
        uint32_t code = thrown_code([&] { stack::throw_break(true, is_continue); });
        EXPECT_EQ(code, is_continue ? catch_::code_continue : catch_::code_break);
        EXPECT_EQ(stack::type_of(stack::top_frame()), stack::frame_type::loop);
        EXPECT_EQ(base_index(), loop_base);
        EXPECT_EQ(cell_type(stack::base()), is_continue ? type_id::unset : type_id::integer);
        stack::unwind_drop();
    }
}

TEST_F(StackTest, ReturnAndExitReachTheReturnTarget) {
    Cell f = word(sym.fn), w = word(sym.other), v = integer(8);
    for (bool is_return : {true, false}) {
        stack::mark_interp_func(&f);
        stack::set_flag(1);
        uint32_t target_base = base_index();
        stack::push(&v);
        stack::mark_loop(&w); // frames in between are passed
        stack::mark_native(&w);
        stack::push(&v);
        uint32_t code = thrown_code([&] { stack::throw_exit(is_return); });
        EXPECT_EQ(code, is_return ? catch_::code_return : catch_::code_exit);
        EXPECT_TRUE(stack::is_return_target(stack::top_frame()));
        EXPECT_EQ(base_index(), target_base);
        EXPECT_EQ(cell_type(stack::base()), is_return ? type_id::integer : type_id::unset);
        stack::unwind_drop();
    }
}

TEST_F(StackTest, ThrowReachesItsCatchFrame) {
    Cell c = word(sym.other), w = word(sym.fn), v = integer(4), name;
    value::set_none(&name);
    stack::mark_catch(&c);
    uint32_t catch_base = base_index();
    stack::mark_native(&w);
    stack::push(&v);
    stack::push(&name);
    EXPECT_EQ(thrown_code([] { stack::throw_(catch_::code_throw); }), catch_::code_throw);
    EXPECT_EQ(base_index(), catch_base);
    EXPECT_EQ(top_index(), catch_base + 2);
    EXPECT_EQ(value::integer_of(stack::base()), 4);
    EXPECT_EQ(cell_type(stack::base() + 1), type_id::none);
    EXPECT_EQ(stack::throw_origin, nullptr);
}

// Each exit without its receiver raises its throw error, received by the
// try frame below; a barrier stops each of them the same way.
TEST_F(StackTest, ExitsWithoutReceiverRaiseThrowErrors) {
    struct Case {
        void (*exit)();
        int32_t code;
    };
    const Case cases[] = {
        {[] { stack::throw_break(false, false); }, 0},
        {[] { stack::throw_exit(true); }, 1},
        {[] { stack::throw_(catch_::code_throw); }, 2},
        {[] { stack::throw_break(false, true); }, 3},
    };
    Cell l = word(sym.loop), t = word(sym.other), w = word(sym.fn), v = integer(6);
    for (bool barrier : {false, true}) {
        for (const Case& c : cases) {
            stack::reset();
            if (barrier) {
                // Receivers that the barrier must hide.
                stack::mark_loop(&l);
                stack::mark_catch(&l);
                stack::mark_interp_func(&l);
                stack::set_flag(1);
                stack::mark_barrier(&t);
            } else {
                stack::mark_try(&t);
            }
            uint32_t receiver_base = base_index();
            stack::mark_native(&w);
            stack::push(&v);
            stack::push(&v);
            EXPECT_EQ(thrown_code(c.exit), catch_::code_error);
            EXPECT_EQ(top_error_code(), c.code);
            EXPECT_EQ(base_index(), receiver_base);
            if (c.code == 2) { // the thrown value is the message's argument
                EXPECT_EQ(value::integer_of(error::field_of(stack::top(), error::field::arg1)), 6);
            }
            stack::frames.top = stack::frames.begin;
        }
    }
}

TEST_F(StackTest, ErrorsStopAtTheNearestTryAndRecordWhereAndStack) {
    Cell t = word(sym.other), l = word(sym.loop), f = word(sym.fn), b = word(sym.body);
    stack::mark_try(&t);
    uint32_t try_base = base_index();
    stack::mark_loop(&l);
    stack::mark_func(&f, 0);
    stack::mark_native(&b); // anonymous: the caller is the function
    EXPECT_EQ(thrown_code([] { error::fire_named(error::Category::math, "zero-divide"); }),
              catch_::code_error);
    EXPECT_EQ(stack::frames.top, stack::frames.begin);
    EXPECT_EQ(base_index(), try_base);
    const Cell* e = stack::top();
    EXPECT_EQ(error::code_of(e), 400);
    EXPECT_EQ(value::word_symbol(error::field_of(e, error::field::where)), sym.fn);
    EXPECT_EQ(value::integer_of(error::field_of(e, error::field::stack)), 4);
}

TEST_F(StackTest, GetCallerSkipsAnonymousFrames) {
    Ref ctx = function_context();
    Cell out, f = word(sym.fn, ctx), b = word(sym.body), a = word(sym.anon);
    stack::get_caller(&out);
    EXPECT_EQ(value::word_symbol(&out), sym.not_found);
    stack::mark_func(&f, 0);
    stack::mark_native(&b);
    stack::mark_native(&a);
    stack::get_caller(&out);
    EXPECT_EQ(value::word_symbol(&out), sym.fn);
    EXPECT_EQ(value::word_context(&out), context::global); // fn is not in ctx
    stack::frames.top = stack::frames.begin;
    stack::mark_native(&b);
    stack::get_caller(&out);
    EXPECT_EQ(value::word_symbol(&out), sym.not_found);
}

TEST_F(StackTest, FrameFlagsAndInterpretedQuery) {
    Cell w = word(sym.fn);
    stack::mark_interp_native(&w);
    stack::mark_native(&w);
    EXPECT_TRUE(stack::is_interpreted(nullptr, true)); // the frame below the top
    stack::mark_native(&w);
    EXPECT_FALSE(stack::is_interpreted(nullptr, true));
    EXPECT_TRUE(stack::is_interpreted(nullptr, false));
    stack::Frame* below = stack::mark_return_target();
    ASSERT_NE(below, nullptr);
    EXPECT_EQ(stack::mark_return_target(), nullptr); // already a target
    stack::clear_return_target(below);
    EXPECT_FALSE(stack::is_return_target(below));
}

TEST_F(StackTest, ResetKeepErrorMakesAPushedErrorTheResult) {
    Cell v = integer(1), e;
    const Cell* none_args[1] = {nullptr};
    error::make_from_code(&e, 300, none_args, 0);
    stack::push(&v);
    stack::push(&v);
    stack::push(&e);
    stack::reset_keep_error();
    EXPECT_EQ(top_index(), 1u);
    EXPECT_EQ(cell_type(stack::base()), type_id::error);
}

TEST_F(StackTest, CallTracesNameTheNonAnonymousFrames) {
    // traced-fn holds a function!; a-loop holds an integer.
    Cell fn_value, int_value = integer(1);
    value::set_cell(&fn_value, type_id::function);
    context::set_global(sym.fn, &fn_value);
    context::set_global(sym.loop, &int_value);
    Cell f, l, b = word(sym.body);
    word::make_at(sym.fn, &f);
    word::make_at(sym.loop, &l);
    stack::mark_loop(&l);
    stack::mark_func(&f, 0);
    stack::mark_native(&b);
    stack::mark_native(&l);

    auto names = [](const Cell* block) {
        std::string text;
        SeriesBuffer* buf = node_buffer(value::series_node(block));
        for (auto* c = reinterpret_cast<Cell*>(buffer_head(buf));
             c < reinterpret_cast<Cell*>(buffer_tail(buf)); ++c)
            text += cell_type(c) == type_id::integer ? std::to_string(value::integer_of(c))
                                                     : symbol::utf8_text(value::word_symbol(c));
        return text + ";";
    };
    Cell block;
    value::set_series(&block, type_id::block, series::alloc_cells(4));
    gc::Root keep_block(&block);
    stack::trace_words(1, &block, stack::live_span());
    stack::trace_words(2, &block, {stack::frames.begin, stack::frames.top - 1});
    EXPECT_EQ(names(&block), "a-functiona-loopa-function;");

    Cell out, position = integer(4);
    value::set_none(&out); // rooted before the string is made in it
    gc::Root keep_out(&out);
    string::make_at(&out, 32);
    EXPECT_EQ(stack::trace_positions(2, &position, &out, 40, stack::live_span()), 40 - 25);
    EXPECT_EQ(string::length(&out), 25); // "a-loop a-function a-loop "

    value::set_series(&block, type_id::block, series::alloc_cells(4));
    stack::collect_trace(&block); // from the top down, the bottom record left out
    EXPECT_EQ(names(&block), "a-loop0a-function0;");
}

} // namespace
} // namespace zep
