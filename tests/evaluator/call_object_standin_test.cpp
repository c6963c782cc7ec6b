// Weak stand-ins for the two object! entries that the word natives link
// against until object! lands; the real definitions replace them.
#include "datatypes/object.h"
#include "evaluator/compiled_support.h"

namespace zep::object {

__attribute__((weak)) Cell* construct(Cell*, const Cell*, const Cell*, bool) {
    error::fire(error::Category::internal, "not-done");
}
__attribute__((weak)) void set_many(Cell*, const Cell*, bool, bool, bool) {
    error::fire(error::Category::internal, "not-done");
}

} // namespace zep::object
