// Pending exits: return, exit, break and continue carried as a flag to a
// receiving frame whose owners all poll it (see call.h).
#include "evaluator/call.h"

#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/value_make.h"

namespace zep::interp {

uint32_t pending_exit = 0;
Cell pending_value{type_id::unset, 0, 0, 0};

bool request_exit(uint32_t code, const Cell* value) {
    bool to_loop = code == catch_::code_break || code == catch_::code_continue;
    if (!to_loop && code != catch_::code_return && code != catch_::code_exit) return false;
    const stack::Frame* top = stack::top_frame();
    if (!top || top == stack::frames.begin) return false;
    for (const stack::Frame* f = top - 1;; --f) {
        if (!(f->header & frame_polls_exit)) return false;
        bool receives =
            to_loop ? stack::type_of(f) == stack::frame_type::loop : stack::is_return_target(f);
        if (receives) break;
        if (f == stack::frames.begin) return false;
    }
    if (value)
        pending_value = *value;
    else
        value::set_unset(&pending_value);
    pending_exit = code;
    return true;
}

} // namespace zep::interp
