#include "evaluator/natives_control_support.h"

#include "datatypes/symbol.h"
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"
#include "evaluator/runtime_words.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::natives::control {

const TypeMask block_types = mask_of({type_id::block, type_id::paren, type_id::hash, type_id::path,
                                      type_id::lit_path, type_id::set_path, type_id::get_path});
const TypeMask series_types =
    block_types |
    mask_of({type_id::string, type_id::file, type_id::url, type_id::tag, type_id::email,
             type_id::ref, type_id::binary, type_id::vector, type_id::image});
const TypeMask function_types =
    mask_of({type_id::native, type_id::action, type_id::op, type_id::function, type_id::routine});

void expect(const char* native, const Cell* argument, TypeMask allowed, const char* name) {
    if (!argument || in_mask(allowed, cell_type(argument))) return;
    Cell who = global_word(native);
    Cell type;
    value::set_datatype(&type, cell_type(argument));
    Cell what = global_word(name);
    error::fire(error::Category::script, "expect-arg", &who, &type, &what);
}

void fire_no_return() {
    error::fire(error::Category::script, "no-return");
}

Cell current_name() {
    Cell word;
    if (const stack::Frame* f = stack::top_frame())
        value::set_word(&word, type_id::word, f->word_context, stack::symbol_of(f));
    else
        word = *words::global_word(words::global::anon);
    return word;
}

Cell global_word(const char* name) {
    Cell word;
    word::make_at_result(symbol::make(name), &word);
    return word;
}

int32_t tail_index(const Cell* block) {
    SeriesBuffer* b = node_buffer(value::series_node(block));
    return static_cast<int32_t>((b->tail - b->head) / sizeof(Cell));
}

int32_t head_index(const Cell* block) {
    int32_t head = value::series_head(block);
    int32_t tail = tail_index(block);
    return head < 0 ? 0 : head > tail ? tail : head;
}

void truncate_count(Cell* cell) {
    if (cell_type(cell) != type_id::float_) return;
    // Truncation toward zero; NaN and values outside the integer! range raise
    // script out-of-range instead of converting undefined.
    value::set_integer(cell, float_::to_integer_checked(cell));
}

} // namespace zep::natives::control

namespace zep::natives::control {

void take_exit(const Exit& exit) {
    if (exit.thrown) {
        catch_::exception_slot = 0;
        return;
    }
    // A pending break's value (unset without /return) or, for continue,
    // unset becomes the loop's result so far, as the thrown exits leave it.
    if (exit.code == catch_::code_break || exit.code == catch_::code_continue)
        *stack::base() = interp::pending_value;
    interp::clear_pending_exit();
}

} // namespace zep::natives::control
