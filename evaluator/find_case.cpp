// The case search of switch: the value at the arguments base against the
// candidates of a case block.
#include "datatypes/registry.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"

namespace zep::switch_ {

void find_case(const Cell* cases, bool step_one, bool want_block, bool push) {
    Cell result;
    value::set_none(&result);
    const Cell* searched = stack::base();
    if (cell_type(searched) != type_id::block) {
        SeriesBuffer* b = node_buffer(value::series_node(cases));
        auto* first = reinterpret_cast<const Cell*>(buffer_head(b));
        auto* tail = reinterpret_cast<const Cell*>(buffer_tail(b));
        int32_t head = value::series_head(cases);
        const Cell* c = head <= 0 ? first : head >= tail - first ? tail : first + head;
        int32_t step = step_one ? 1 : 2;
        for (; c < tail; c += step) {
            if (cell_type(c) != cell_type(searched) ||
                actions::compare_values(searched, c, 0) != 0)
                continue;
            const Cell* found = c + 1 < tail ? c + 1 : c;
            if (want_block && c + 1 < tail) {
                while (found < tail && cell_type(found) != type_id::block) ++found;
                if (found == tail) {
                    // The tail: the block from that position, empty.
                    result = *cases;
                    result.data1 = static_cast<uint32_t>(tail - first);
                    break;
                }
            }
            result = *found;
            break;
        }
    }
    if (push)
        stack::push(&result);
    else
        *stack::base() = result;
}

} // namespace zep::switch_
