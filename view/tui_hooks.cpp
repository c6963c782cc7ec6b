#include "view/tui_hooks.h"

namespace zep::tui {

bool active = false;

// Only the terminal GUI backend sets `active`; while it is clear nothing owns
// the terminal, so there is nothing to give back or take again.
void restore_terminal() {
    if (!active) return;
}

void resume_terminal() {
    if (!active) return;
}

} // namespace zep::tui
