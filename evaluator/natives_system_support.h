// Helpers shared by the text, encoding and system natives: the argument
// types their specs allow (for the check flag), byte views of data
// arguments, and new values from bytes.
#pragma once
#include <cstdint>
#include <string>

#include "evaluator/natives_control_support.h"
#include "runtime/cell.h"

namespace zep::natives::system {

using control::arg;
using control::has_refinement;
using control::mask_of;
using control::refinement_arg;
using control::TypeMask;

extern const TypeMask any_string_types;
extern const TypeMask any_word_types;
extern const TypeMask number_types;

// The check flag's test of an argument (a null one passes).
inline void expect(bool check, const char* native, const Cell* argument, TypeMask allowed,
                   const char* name) {
    if (check) control::expect(native, argument, allowed, name);
}

// The bytes of a data argument from its position: a binary! as it is, any
// text as UTF-8. Copied out of managed memory, so the caller may allocate.
std::string bytes_of(const Cell* value);
// The name of a word's symbol as UTF-8.
std::string word_name(const Cell* word);
// The name of a variable argument: the text of an any-string, or the name
// of an any-word.
std::string name_of(const Cell* value);
// The UTF-8 text of a file! or string! in the system's local form.
std::string local_path_of(const Cell* value);

// The bytes of a file! (read whole); access cannot-open with the file when
// it cannot be read.
std::string read_file_bytes(const Cell* file);

// The size of bytes from outside (a file, a process) that are to become one
// series; more than a series of bytes can hold raises no-memory.
uint32_t outside_length(const std::string& bytes);

// The result slot becomes a new binary! or string! holding the bytes (a
// string! decodes them as UTF-8).
void set_binary_result(const std::string& bytes);
void set_string_result(const std::string& utf8);
// A new string! from UTF-8 bytes in the cell (a stack slot or native local).
void load_string(const std::string& utf8, Cell* cell);

} // namespace zep::natives::system
