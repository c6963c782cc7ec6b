// Running a script: its text from a file or from standard input, the search
// for its Zep header, loading and evaluation in the global context.
#pragma once
#include <cstddef>
#include <string_view>

namespace zep::boot::script {

// Where a script's header starts: the first place where the word "Zep"
// stands (case-sensitively), optionally followed by "/System", then any
// number of spaces, tabs and line feeds, then "[". A carriage return between
// the word and the bracket stops the search there.
struct Header {
    bool found = false;
    bool system = false; // a Zep/System header
    size_t offset = 0;   // of the "Z"
};
Header find_header(std::string_view text);

// Loads the text and evaluates it. When the text holds a header, everything
// before it and the header itself (the word and its block) are skipped; a
// Zep/System header raises internal zep-system. Errors raised here or by the
// script travel as usual (uncaught, they end the process with status -2).
void run_text(std::string_view text);

// Reads the file and runs its text; access cannot-open with the file when it
// cannot be read.
void run_file(const char* path);

// Reads standard input to its end and runs it as one script.
void run_standard_input();

} // namespace zep::boot::script
