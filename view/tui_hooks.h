// What the runtime's printers ask of the terminal GUI backend: give the
// terminal back before plain output and take it again afterwards. Both do
// nothing while the backend is not active.
#pragma once

namespace zep::tui {

// Set by the terminal GUI backend while it owns the terminal.
extern bool active;

// Erases the backend's inline drawing, flushes and restores the terminal's
// plain output mode, so that runtime output can be written.
void restore_terminal();

// Re-applies the backend's output mode and schedules a full redraw.
void resume_terminal();

} // namespace zep::tui
