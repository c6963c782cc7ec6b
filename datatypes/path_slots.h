// Slot signatures of the actions that paths, urls, files, maps and hashes
// implement and that the registry does not declare yet. An argument of a
// refinement that was not given is passed as nullptr or as an address below
// the current arguments base (series::is_given); a refinement without an
// argument is a flag.
#pragma once
#include <cstdint>

#include "runtime/cell.h"

namespace zep::slot {

// eval-path: (parent, selector, value to set or nullptr for a get, the path
// being evaluated or nullptr, case) -> the result cell.
// (copy and reflect: series::CopyFn and series::ReflectFn.)
using EvalPathFn = Cell* (*)(Cell* parent, const Cell* selector, const Cell* value,
                             const Cell* path, bool case_);
// sort: (series, /case, /skip size, /compare comparator, /part length, /all,
// /reverse, /stable) -> the result cell.
using SortFn = Cell* (*)(Cell* series, bool case_, const Cell* skip, const Cell* comparator,
                         const Cell* part, bool all, bool reverse, bool stable);
// trim: (series, /head, /tail, /auto, /lines, /all, /with chars) -> the result cell.
using TrimFn = Cell* (*)(Cell* series, bool head, bool tail, bool auto_, bool lines, bool all,
                         const Cell* with);
// open: (spec, /new, /read, /write, /seek, /allow access) -> the port cell.
using OpenFn = Cell* (*)(Cell* spec, bool new_, bool read, bool write, bool seek,
                         const Cell* allow);
// read: (source, /part length, /seek index, /binary, /lines, /info, /as encoding).
using ReadFn = Cell* (*)(Cell* source, const Cell* part, const Cell* seek, bool binary, bool lines,
                         bool info, const Cell* as);
// write: (destination, data, /binary, /lines, /info, /append, /part length,
// /seek index, /allow access, /as encoding).
using WriteFn = Cell* (*)(Cell* destination, const Cell* data, bool binary, bool lines, bool info,
                          bool append, const Cell* part, const Cell* seek, const Cell* allow,
                          const Cell* as);
// delete, query: (file) -> the result cell.
using FileFn = Cell* (*)(Cell* file);
// rename: (file, new name) -> the result cell.
using RenameFn = Cell* (*)(Cell* file, const Cell* to);

} // namespace zep::slot
