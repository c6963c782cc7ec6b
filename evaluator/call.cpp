// Pending exits: return, exit, break and continue carried as a flag to a
// receiving frame whose owners all poll it (see call.h).
#include "evaluator/call.h"

#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/value_make.h"

namespace zep::interp {

uint32_t pending_exit = 0;
Cell pending_value{type_id::unset, 0, 0, 0};

namespace {

// Whether every frame from `from` down to the first that `receives` accepts
// carries frame_polls_exit, that receiver included.
template <class Receives> bool polls_down_to(const stack::Frame* from, Receives receives) {
    for (const stack::Frame* f = from;; --f) {
        if (!(f->header & frame_polls_exit)) return false;
        if (receives(f)) return true;
        if (f == stack::frames.begin) return false;
    }
}

bool polls_down_to_receiver(uint32_t code, const stack::Frame* from) {
    if (code == catch_::code_break || code == catch_::code_continue)
        return polls_down_to(from, [](const stack::Frame* f) {
            return stack::type_of(f) == stack::frame_type::loop;
        });
    if (code == catch_::code_return || code == catch_::code_exit)
        return polls_down_to(from, stack::is_return_target);
    return false;
}

} // namespace

bool request_exit(uint32_t code, const Cell* value) {
    const stack::Frame* top = stack::top_frame();
    if (!top || top == stack::frames.begin) return false;
    if (!polls_down_to_receiver(code, top - 1)) return false;
    if (value)
        pending_value = *value;
    else
        value::set_unset(&pending_value);
    pending_exit = code;
    return true;
}

bool polls_from_top_to_receiver(uint32_t code) {
    const stack::Frame* top = stack::top_frame();
    return top && polls_down_to_receiver(code, top);
}

} // namespace zep::interp
