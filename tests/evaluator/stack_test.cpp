// The argument and frame stacks: marking, popping, unrolling and the four
// non-local exits with the frames that receive them.
#include <gtest/gtest.h>

#include "datatypes/context.h"
#include "datatypes/symbol.h"
#include "tests/evaluator/stack_fixture.h"

// Stand-ins for the symbol table and contexts, which this branch does not
// build; they are dropped once those land.
namespace zep::context {
Ref global = 0;
Cell* get_word_or_global(Ref context, uint32_t symbol, Cell* out) {
    value::set_word(out, type_id::word, context, symbol);
    return out;
}
} // namespace zep::context
namespace zep::symbol {
Ref table = 0;
const char* utf8_text(uint32_t) {
    return "w";
}
} // namespace zep::symbol

namespace zep {
namespace {

using testing::StackTest;
using testing::thrown_code;
using testing::top_error_code;
namespace sym = testing::sym;

TEST_F(StackTest, ArgumentStackHoldsAtMost19999Cells) {
    Cell w = word(sym::fn);
    stack::mark_try(&w);
    Cell v = integer(7);
    while (top_index() < stack::argument_cells - 1) stack::push(&v);
    EXPECT_EQ(top_index(), 19999u);
    // The failing push raises stack-overflow with the top 5 cells lower, so
    // the error is built at index 19994.
    uint32_t error_index = 0;
    error::trace_hook = [](const Cell* e) { *const_cast<Cell*>(e) = *e; };
    static uint32_t* seen;
    seen = &error_index;
    error::trace_hook = [](const Cell* e) { *seen = stack::index_of(e); };
    cycles::push(5);
    EXPECT_EQ(thrown_code([&] { stack::push(&v); }), catch_::code_error);
    EXPECT_EQ(error_index, 19994u);
    EXPECT_EQ(top_error_code(), 904);
    EXPECT_EQ(cycles::depth(), 0u);
}

TEST_F(StackTest, FrameStackHoldsExactly12000Records) {
    Cell w = word(sym::fn);
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
        {stack::mark_native, 0x2000000},        {stack::mark_try, 0x4000000},
        {stack::mark_barrier, 0x5000000},       {stack::mark_catch, 0x6000000},
        {stack::mark_loop, 0x8000000},          {stack::mark_eval, 0x87000000},
        {stack::mark_interp_native, 0x82000000}, {stack::mark_interp_func, 0x81000000},
    };
    Cell v = integer(1);
    for (const Case& c : cases) {
        stack::push(&v);
        uint32_t base = base_index();
        Cell w = word(0x1ABCD, 0x4440); // only 16 bits of the symbol are kept
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
    Cell w = word(sym::fn), one = integer(1), two = integer(2);
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
    stack::unwind_drop();
    EXPECT_EQ(top_index(), 1u);

    stack::mark_native(&w);
    stack::unwind_to();
    EXPECT_EQ(top_index(), 0u); // an empty frame stack empties the argument stack
    stack::unwind(); // unmatched: harmless
    EXPECT_EQ(stack::frames.top, stack::frames.begin);
}

TEST_F(StackTest, CompiledCallsRestoreRecursiveActivations) {
    Ref ctx = function_context();
    Cell f = word(sym::fn, ctx), body = word(sym::body, ctx), a = integer(10), b = integer(20);
    auto enter = [&](const Cell* arg) {
        stack::mark_func(&f, ctx);
        uint32_t args = base_index();
        stack::push(arg);
        stack::mark_compiled_func(&body, ctx);
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
    Cell t = word(sym::other);
    stack::mark_native(&t);
    stack::unroll(stack::frame_type::try_, false);
    EXPECT_EQ(values_word(ctx), 0u);
}

TEST_F(StackTest, UnrollKeepsTheReceivingFrame) {
    Cell w = word(sym::fn), l = word(sym::loop), v = integer(3);
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
    Cell l = word(sym::loop), w = word(sym::fn), v = integer(5);
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
    Cell f = word(sym::fn), w = word(sym::other), v = integer(8);
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
    Cell c = word(sym::other), w = word(sym::fn), v = integer(4), name;
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
    Cell l = word(sym::loop), t = word(sym::other), w = word(sym::fn), v = integer(6);
    for (bool barrier : {false, true}) {
        for (const Case& c : cases) {
            stack::reset();
            // Receivers that the barrier must hide.
            stack::mark_loop(&l);
            stack::mark_catch(&l);
            stack::mark_interp_func(&l);
            stack::set_flag(1);
            if (barrier)
                stack::mark_barrier(&t);
            else
                stack::unroll(stack::frame_type::eval, false), stack::unwind_drop(),
                    stack::mark_try(&t);
            uint32_t receiver_base = base_index();
            stack::mark_native(&w);
            stack::push(&v);
            stack::push(&v);
            EXPECT_EQ(thrown_code(c.exit), catch_::code_error);
            EXPECT_EQ(top_error_code(), c.code);
            EXPECT_EQ(base_index(), receiver_base);
            if (c.code == 2) // the thrown value is the message's argument
                EXPECT_EQ(value::integer_of(error::field_of(stack::top(), error::field::arg1)), 6);
            stack::frames.top = stack::frames.begin;
        }
    }
}

TEST_F(StackTest, ErrorsStopAtTheNearestTryAndRecordWhereAndStack) {
    Cell t = word(sym::other), l = word(sym::loop), f = word(sym::fn), b = word(sym::body);
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
    EXPECT_EQ(value::word_symbol(error::field_of(e, error::field::where)), sym::fn);
    EXPECT_EQ(value::integer_of(error::field_of(e, error::field::stack)), 4);
}

TEST_F(StackTest, GetCallerSkipsAnonymousFrames) {
    Cell out, f = word(sym::fn, 0x880), b = word(sym::body), a = word(sym::anon);
    stack::get_caller(&out);
    EXPECT_EQ(value::word_symbol(&out), sym::not_found);
    stack::mark_func(&f, 0);
    stack::mark_native(&b);
    stack::mark_native(&a);
    stack::get_caller(&out);
    EXPECT_EQ(value::word_symbol(&out), sym::fn);
    EXPECT_EQ(value::word_context(&out), 0x880u);
    stack::frames.top = stack::frames.begin;
    stack::mark_native(&b);
    stack::get_caller(&out);
    EXPECT_EQ(value::word_symbol(&out), sym::not_found);
}

TEST_F(StackTest, FrameFlagsAndInterpretedQuery) {
    Cell w = word(sym::fn);
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

} // namespace
} // namespace zep
