// The list of native groups that register_all calls. Each group adds its
// own line here.
#include "evaluator/natives.h"
#include "evaluator/parse.h"

namespace zep::natives {

void register_groups() {
    register_words();
    register_control();
    register_math();
    register_system();
    register_parse();
}

} // namespace zep::natives
