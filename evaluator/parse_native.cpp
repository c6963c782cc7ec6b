// The `parse` native: its arguments, the comparison code, the /part limit
// and the /trace callback; the engine does the rest.
#include "datatypes/series.h"
#include "datatypes/string_buffer.h"
#include "evaluator/compiled_support.h"
#include "evaluator/natives.h"
#include "evaluator/natives_control_support.h"
#include "evaluator/parse.h"
#include "evaluator/parse_internal.h"
#include "runtime/cell_ops.h"
#include "runtime/value_make.h"

namespace zep::natives {

using namespace control;

namespace {

namespace refinement {
enum : int { case_ = 0, part = 1, trace = 2 };
}

constexpr TypeMask input_types =
    mask_of({type_id::binary, type_id::block, type_id::paren, type_id::hash, type_id::path,
             type_id::lit_path, type_id::set_path, type_id::get_path, type_id::string,
             type_id::file, type_id::url, type_id::tag, type_id::email, type_id::ref});
constexpr TypeMask number_types = mask_of({type_id::integer, type_id::float_, type_id::percent});

// The limit /part gives: the input's head index plus a length, or the head
// index of a series that is the input itself.
int64_t part_limit(const Cell* input, Cell* length) {
    if (in_mask(number_types, cell_type(length))) {
        if (cell_type(length) == type_id::percent) value::set_type(length, type_id::float_);
        truncate_count(length);
        return int64_t{value::series_head(input)} + value::integer_of(length);
    }
    if (!parse::is_same_series(length, input)) series::fire_refine("part", length);
    return value::series_head(length);
}

} // namespace

void parse(bool check, const int32_t* refinements) {
    Cell* input = arg(0);
    Cell* rules = arg(1);
    Cell* length = refinement_arg(refinements, refinement::part);
    Cell* callback = refinement_arg(refinements, refinement::trace);
    if (check) {
        expect("parse", input, input_types, "input");
        expect("parse", rules, mask_of({type_id::block}), "rules");
        expect("parse", length, number_types | series_types, "length");
        expect("parse", callback, function_types, "callback");
    }
    int code = has_refinement(refinements, refinement::case_) ? string::code::strict_equal
                                                              : string::code::equal;
    int32_t limit = 0;
    if (length) {
        int64_t wanted = part_limit(input, length);
        if (wanted < 1) {
            // Nothing to match: true exactly when the input is empty.
            value::set_logic(stack::base(),
                             series::clamped_head(input) >= series::total_length(input));
            stack::keep_first();
            return;
        }
        limit = wanted > INT32_MAX ? INT32_MAX : static_cast<int32_t>(wanted);
    }
    Cell result;
    parse::run_rules(input, rules, code, limit, callback, &result);
    stack::set_result_only(&result);
}

void register_parse() {
    set_entry(index::parse, &parse);
}

} // namespace zep::natives
