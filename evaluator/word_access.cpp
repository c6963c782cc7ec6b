// Checked word access.
#include "datatypes/word.h"
#include "evaluator/compiled_support.h"

namespace zep::word {

Cell* get_checked(Cell* word) {
    Cell* value = get(word);
    if (cell_type(value) == type_id::unset) error::fire(error::Category::script, "no-value", word);
    return value;
}

} // namespace zep::word
