// In-place case change of a character or of a text series: the body of the
// uppercase and lowercase natives.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::case_ {

// Changes the case of args[0] in the direction given (to_upper or to_lower)
// and answers it. A char! has its code point folded. A text value has its
// characters folded from its head (clamped to the tail) for the rest of the
// text, or for the count given by args[part_index] when part_index is not 0:
// an integer! count, or a position in the same series. A negative count
// changes nothing; a count beyond the tail stops at the tail. A character
// that needs a wider unit widens the buffer. Any other /part argument raises
// script invalid-refine-arg.
Cell* change_series(Cell* args, uint32_t part_index, int direction);

// Owners of a series hear about a case change after it is made, with the
// direction's word (uppercase or lowercase), the head index and the count.
// The ownership layer installs the notifier; it is called only for series
// whose buffer carries the owned flag. Without one, nobody is notified.
using ChangeNotifier = void (*)(const Cell* series, int direction, uint32_t index, uint32_t count);
void set_change_notifier(ChangeNotifier notifier);

} // namespace zep::case_
