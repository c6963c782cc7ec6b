#include "boot/library_load.h"

#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

#include "boot/library_text.h"
#include "boot/script.h"
#include "datatypes/context.h"
#include "datatypes/date.h"
#include "datatypes/error.h"
#include "datatypes/file.h"
#include "datatypes/money.h"
#include "datatypes/native.h"
#include "datatypes/registry.h"
#include "datatypes/routine.h"
#include "datatypes/symbol.h"
#include "evaluator/compiled_support.h"
#include "evaluator/stack.h"
#include "runtime/arena.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/platform.h"
#include "runtime/value_make.h"
#include "services/lexer.h"

namespace zep::boot {

namespace {

// Types whose registration is not built yet, named so that the typesets can
// list them. A type registered meanwhile keeps its own row.
struct PendingType {
    uint8_t type;
    const char* name;
};
constexpr PendingType pending_types[] = {
    {35, "vector!"},
    {46, "handle!"},
    {48, "port!"},
    {53, "image!"},
};

void name_pending_types() {
    for (const PendingType& p : pending_types) {
        if (!datatype::type_table[p.type].name) {
            datatype::register_type(p.type, 0, p.name, datatype::SlotList{});
        }
    }
}

// Pushes the block that the text loads to.
Cell* push_loaded(const char* text) {
    Cell* block = stack::push_slot();
    value::set_none(block);
    lexer::transcode(block, reinterpret_cast<const uint8_t*>(text),
                     static_cast<uint32_t>(std::strlen(text)), lexer::Options{});
    return block;
}

void set_global_word(const char* name, const Cell* value) {
    Cell copy = *value;
    context::set_global(symbol::make(name), &copy);
}

// The make action with a bare spec: the first value every definition needs.
void make_make_action() {
    Cell* saved_top = stack::arguments.top;
    Cell* spec = push_loaded("type spec");
    Cell* made = stack::push_slot();
    native::make_value(made, spec, 1, type_id::action);
    set_global_word("make", made);
    stack::arguments.top = saved_top;
}

// ---- Routines -------------------------------------------------------------------

bool is_word_type(uint8_t type) {
    return type == type_id::word || type == type_id::set_word || type == type_id::lit_word ||
           type == type_id::get_word;
}

bool is_list_or_path_type(uint8_t type) {
    return type == type_id::block || type == type_id::paren || type == type_id::path ||
           type == type_id::lit_path || type == type_id::set_path || type == type_id::get_path;
}

// script expect-arg: the routine's word, the datatype, the argument's word.
[[noreturn]] void refuse_argument(const char* routine, uint8_t type, const char* argument) {
    Cell* name = stack::push_slot();
    value::set_word(name, type_id::word, context::global, symbol::make(routine));
    Cell* datatype = stack::push_slot();
    value::set_datatype(datatype, type);
    Cell* argument_word = stack::push_slot();
    value::set_word(argument_word, type_id::word, context::global, symbol::make(argument));
    error::fire(error::Category::script, "expect-arg", name, datatype, argument_word);
}

// set-quiet word value: stores the value in the word's context without
// calling the owning object's on-change*; answers the value.
const Cell* set_quiet(Cell* const* arguments, int32_t) {
    Cell* word = arguments[0];
    if (!is_word_type(cell_type(word))) refuse_argument("set-quiet", cell_type(word), "word");
    Ref context = value::word_context(word);
    if (context == 0) error::fire(error::Category::script, "not-defined", word);
    context::set_value(word, arguments[1], context, false);
    return arguments[1];
}

// set-slot-quiet series value: overwrites the value at the series' position
// (nothing at its tail) with no owner notification; answers the series.
const Cell* set_slot_quiet(Cell* const* arguments, int32_t) {
    Cell* series = arguments[0];
    if (!is_list_or_path_type(cell_type(series))) {
        refuse_argument("set-slot-quiet", type_id::block, "series");
    }
    SeriesBuffer* b = node_buffer(value::series_node(series));
    int32_t head = value::series_head(series);
    uint32_t total = (b->tail - b->head) / sizeof(Cell);
    if (head >= 0 && static_cast<uint32_t>(head) < total) {
        arena::at<Cell>(b->head)[head] = *arguments[1];
    }
    return series;
}

// system/state/interpreted?: whether the calling function runs under the
// interpreter.
const Cell* interpreted(Cell* const*, int32_t) {
    Cell* result = stack::push_slot();
    value::set_logic(result, stack::is_interpreted(stack::top_frame(), true));
    return result;
}

struct RoutineDefinition {
    const char* name; // code name; also the global word unless field is set
    const char* spec;
    routine::CellCode code;
    const char* field; // "system/state/interpreted?": stored there after loading
};

constexpr RoutineDefinition routines[] = {
    {"set-quiet",
     "{Set an object's field to a value without triggering eventual object's events}"
     " word [any-type!] value [any-type!] return: [any-type!]",
     set_quiet, nullptr},
    {"set-slot-quiet",
     "{Set a value in series without triggering eventual owner's events}"
     " series [any-type!] value [any-type!]",
     set_slot_quiet, nullptr},
    {"interpreted?", "{Return TRUE if called from the interpreter} return: [logic!]", interpreted,
     "system/state/interpreted?"},
};

// Pushes the routine! value of the definition.
Cell* push_routine(const RoutineDefinition& r) {
    int32_t code = routine::find_code(r.name);
    if (code == 0) code = routine::register_cell_code(r.name, r.code);
    Cell* spec = push_loaded(r.spec);
    Cell* body = stack::push_slot();
    value::set_none(body);
    return routine::push(spec, body, code, -1, true);
}

void make_global_routines() {
    for (const RoutineDefinition& r : routines) {
        if (r.field) continue;
        Cell* saved_top = stack::arguments.top;
        set_global_word(r.name, push_routine(r));
        stack::arguments.top = saved_top;
    }
}

// The field's value cell, reached from the global word through object
// fields: "system/state/interpreted?". Null when a step is missing.
Cell* field_cell(std::string_view path) {
    Cell* value = nullptr;
    Ref context = context::global;
    while (!path.empty()) {
        size_t slash = path.find('/');
        std::string name(path.substr(0, slash));
        if (value && cell_type(value) != type_id::object) return nullptr;
        if (value) context = value->data1;
        value = context::value_of_symbol(context, symbol::make(name.c_str()));
        if (!value) return nullptr;
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
    }
    return value;
}

void store_field_routines() {
    for (const RoutineDefinition& r : routines) {
        if (!r.field) continue;
        Cell* saved_top = stack::arguments.top;
        Cell made = *push_routine(r);
        Cell* target = field_cell(r.field);
        if (!target) error::fire(error::Category::internal, "not-here");
        *target = made;
        stack::arguments.top = saved_top;
    }
}

// The block system/locale/months holds, for date! mold.
const Cell* locale_months() {
    return field_cell("system/locale/months");
}

// ---- Library source --------------------------------------------------------------

// The text of a library file: from the development folder when the
// environment names one, else the embedded copy.
std::string_view file_text(const library::SourceFile& file, std::string* storage) {
    char* folder = platform::get_env(library_dir_variable);
    if (!folder) return {file.text, file.length};
    std::string path = std::string(folder) + "/" + file.name;
    heap::free(folder);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char chunk[65536];
    ssize_t n = 0;
    while (fd >= 0 && (n = ::read(fd, chunk, sizeof chunk)) > 0) {
        storage->append(chunk, static_cast<size_t>(n));
    }
    if (fd >= 0) ::close(fd);
    if (fd < 0 || n < 0) {
        Cell* name = stack::push_slot();
        file::load_at(reinterpret_cast<const unsigned char*>(path.data()), path.size(), name);
        error::fire(error::Category::access, "cannot-open", name);
    }
    return *storage;
}

} // namespace

void bootstrap_library() {
    name_pending_types();
    make_make_action();
    make_global_routines();
}

void load_library() {
    for (uint32_t i = 0; i < library::file_count; ++i) {
        Cell* saved_top = stack::arguments.top;
        std::string storage;
        script::run_text(file_text(library::files[i], &storage));
        stack::arguments.top = saved_top;
    }
    store_field_routines();
    if (!error::use_system_objects()) error::fire(error::Category::internal, "not-here");
    date::set_months_source(&locale_months);
    money::set_currency_list(field_cell("system/locale/currencies/list"));
}

} // namespace zep::boot
