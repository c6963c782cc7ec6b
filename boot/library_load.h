// The library's top level: the language source under library/, evaluated
// from source at start-up once the runtime is initialised. It builds the
// typeset words, the natives' and actions' words, the operators, the system
// object and the error catalogue.
//
// Before the source can run, a few values must exist that the language
// cannot make for itself; `bootstrap` makes them from C++ and nothing more:
// - the word `make` (the make action, with a bare spec; actions.zep makes it
//   again with its full spec), because every other definition starts with
//   a make;
// - datatype words for the types whose registration is not built yet, so
//   that the typesets can name them (their rows stay empty: every action on
//   such a value raises script expect-arg);
// - the routines the library's handlers need (set-quiet, set-slot-quiet,
//   system/state/interpreted?).
#pragma once

namespace zep::boot {

// The environment variable naming a folder to read the library's .zep files
// from instead of the text embedded at build time (for development).
constexpr const char* library_dir_variable = "ZEP_LIBRARY_DIR";

// Makes the values above. Runs once, after init_interpreter.
void bootstrap_library();

// Evaluates every library file in load order, then hands the runtime what
// it reads from the system object: errors are made from
// system/catalog/errors and system/standard/error from then on, and date!
// mold takes its month names from system/locale/months.
// An error raised here has nothing to receive it: it is printed and the
// process ends with status -2.
void load_library();

} // namespace zep::boot
