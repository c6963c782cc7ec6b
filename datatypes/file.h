// file!: a text value (string layout) holding a path in the system's own
// form, "/" separated. On Linux that form is already the platform's: a path
// is passed to the system as its UTF-8 text, with no drive letters and no
// backslashes. Its notation is "%" followed by the text, enclosed in double
// quotes (with caret escapes) when a character would end or change the
// unquoted token.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/cell.h"

namespace zep::file {

// True when a code point can stand in an unquoted file notation.
bool is_plain_char(uint32_t cp);

// A file! holding the UTF-8 text as it is, in the cell (a stack slot or a
// native local). Answers the cell.
Cell* load_at(const unsigned char* text, size_t length, Cell* cell);
// Pushes a copy of the value.
Cell* push(const Cell* value);

// The process's current directory, ending in "/", as a new string! pushed on
// the argument stack; access cannot-open when it cannot be read.
Cell* get_current_dir();
// Appends the platform form of the file (from its head) to the destination
// string: relative paths prefixed with the current directory when asked.
void to_local_path(const Cell* file, Cell* destination, bool with_current_dir);
// The platform form as UTF-8 for a system call. A path holding the code point
// 0 (which the system would cut short) raises script invalid-arg.
std::string to_local_cstring(const Cell* file);

// The file layer's services (simple-io), installed by the I/O services. A
// null answer from read_file or write_file is a failure (access cannot-open).
namespace io {
extern bool (*delete_file)(const Cell* file);
extern bool (*rename_file)(const Cell* from, const Cell* to);
// The file's information (size and date), or false when there is none.
extern bool (*query)(const Cell* file, Cell* result);
extern Cell* (*read_file)(const Cell* file, const Cell* part, const Cell* seek, bool binary,
                          bool lines, bool info);
extern Cell* (*write_file)(const Cell* file, const Cell* data, const Cell* part, const Cell* seek,
                           bool binary, bool append, bool lines);
} // namespace io

// Datatype.
void init();
int32_t mold(const Cell* value, Cell* out_string, bool only, bool all, bool flat,
             int32_t part_limit, int32_t indent);
Cell* delete_(Cell* file);
Cell* query(Cell* file);
Cell* read(Cell* source, const Cell* part, const Cell* seek, bool binary, bool lines, bool info,
           const Cell* as);
Cell* rename(Cell* file, const Cell* to);
Cell* write(Cell* destination, const Cell* data, bool binary, bool lines, bool info, bool append,
            const Cell* part, const Cell* seek, const Cell* allow, const Cell* as);

} // namespace zep::file
