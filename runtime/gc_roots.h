// Roots that C++ code registers with the collector: a shadow stack of RAII
// guards, in place of scanning the native stack. A guard names a slot of the
// C++ frame; while the guard lives, a collection marks what the slot refers
// to and rewrites the slot when what it refers to moves:
//   gc::Root r(&cell);          a cell (or cells) whose values stay alive
//   gc::RootedCell v;           a cell of its own, rooted while it lives
//   gc::RootRef n(node);        a Ref local naming a series (kept alive; the
//                               Ref is rewritten when node compaction moves it)
//   gc::RootTable t(table);     a Ref local naming a hash table being built
//   gc::RootPointer p(ptr);     a pointer into a series buffer (rewritten
//                               when the buffer moves; it keeps nothing alive)
// Guards must be destroyed in the reverse order of their making, which C++
// scopes give. Cells on the argument stack need no guard.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/cell.h"

namespace zep::gc {

enum class RootKind : uint8_t { cells, node, table, interior };

struct RootEntry {
    RootKind kind;
    void* slot;   // Cell* (cells), Ref* (node, table) or the address of a pointer
    size_t count; // cells only
};

namespace detail {
// The shadow stack: entries [begin, top), room up to limit. Guards are made
// and dropped on hot paths, so the common steps are inline.
struct RootStack {
    RootEntry* begin;
    RootEntry* top;
    RootEntry* limit;
};
extern RootStack root_stack;

// Doubles the shadow stack's room.
void grow_roots();
// Removes the entry of a guard that is not the last one.
void pop_root_inner(const void* slot);

inline void push_root(RootEntry entry) {
    if (root_stack.top == root_stack.limit) grow_roots();
    *root_stack.top++ = entry;
}
inline void pop_root(const void* slot) {
    if (root_stack.top != root_stack.begin && root_stack.top[-1].slot == slot) {
        --root_stack.top;
        return;
    }
    pop_root_inner(slot);
}

// The registered entries, oldest first.
inline const RootEntry* roots_begin() {
    return root_stack.begin;
}
inline const RootEntry* roots_end() {
    return root_stack.top;
}
} // namespace detail

class Root {
  public:
    explicit Root(Cell* first, size_t count = 1) : slot_(first) {
        detail::push_root({RootKind::cells, first, count});
    }
    ~Root() { detail::pop_root(slot_); }
    Root(const Root&) = delete;
    Root& operator=(const Root&) = delete;

  private:
    Cell* slot_;
};

class RootRef {
  public:
    explicit RootRef(Ref& node) : slot_(&node) { detail::push_root({RootKind::node, &node, 1}); }
    ~RootRef() { detail::pop_root(slot_); }
    RootRef(const RootRef&) = delete;
    RootRef& operator=(const RootRef&) = delete;

  private:
    Ref* slot_;
};

class RootTable {
  public:
    explicit RootTable(Ref& table) : slot_(&table) {
        detail::push_root({RootKind::table, &table, 1});
    }
    ~RootTable() { detail::pop_root(slot_); }
    RootTable(const RootTable&) = delete;
    RootTable& operator=(const RootTable&) = delete;

  private:
    Ref* slot_;
};

// A cell of its own, registered while it lives: the simplest home for a value
// that a C++ function makes or receives and keeps across allocations. It
// starts as none!.
class RootedCell {
  public:
    RootedCell() : cell_{type_id::none, 0, 0, 0} {
        detail::push_root({RootKind::cells, &cell_, 1});
    }
    explicit RootedCell(const Cell& value) : cell_(value) {
        detail::push_root({RootKind::cells, &cell_, 1});
    }
    ~RootedCell() { detail::pop_root(&cell_); }
    RootedCell(const RootedCell&) = delete;
    RootedCell& operator=(const RootedCell&) = delete;

    Cell* get() { return &cell_; }
    const Cell* get() const { return &cell_; }
    Cell& operator*() { return cell_; }
    const Cell& operator*() const { return cell_; }
    Cell* operator->() { return &cell_; }

  private:
    Cell cell_;
};

template <class T> class RootPointer {
  public:
    explicit RootPointer(T*& pointer) : slot_(&pointer) {
        detail::push_root({RootKind::interior, &pointer, 1});
    }
    ~RootPointer() { detail::pop_root(slot_); }
    RootPointer(const RootPointer&) = delete;
    RootPointer& operator=(const RootPointer&) = delete;

  private:
    T** slot_;
};

} // namespace zep::gc
