// email!: a text of the form user@host, written as it is.
#include "datatypes/email.h"

#include <string>

#include "datatypes/registry.h"
#include "datatypes/string_buffer.h"
#include "datatypes/symbol.h"
#include "datatypes/text_literal.h"
#include "datatypes/url.h"
#include "evaluator/compiled_support.h"
#include "runtime/value_make.h"

namespace zep::email {

namespace {

// 0 for user, 1 for host, -1 for any other selector.
int field_of(const Cell* selector) {
    if (cell_type(selector) != type_id::word) return -1;
    uint32_t id = symbol::resolve(value::word_symbol(selector));
    if (id == symbol::resolve(symbol::make("user"))) return 0;
    if (id == symbol::resolve(symbol::make("host"))) return 1;
    return -1;
}

} // namespace

Cell* load_at(const unsigned char* text, size_t length, Cell* cell) {
    return text_literal::load_as(type_id::email, text, length, cell);
}

int32_t mold(const Cell* value, Cell* out_string, bool, bool, bool, int32_t part_limit, int32_t) {
    return text_literal::write_marked(value, out_string, "", "", part_limit);
}

Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value, const Cell* path, bool) {
    int field = field_of(selector);
    if (field < 0) {
        Cell where;
        if (path)
            where = *path;
        else
            value::set_none(&where);
        Cell element = *selector;
        error::fire(error::Category::script, "invalid-path", &where, &element);
    }
    std::u32string text = url::code_points_of(parent);
    size_t at = text.find(U'@');
    std::u32string user = at == std::u32string::npos ? text : text.substr(0, at);
    std::u32string host = at == std::u32string::npos ? U"" : text.substr(at + 1);
    if (!value) {
        string::make_at(parent, 16);
        url::append_code_points(parent, field == 0 ? user : host);
        return parent;
    }
    if (!string::is_any_string(cell_type(value))) {
        Cell arg = *value;
        error::fire(error::Category::script, "invalid-arg", &arg);
    }
    (field == 0 ? user : host) = url::code_points_of(value);
    // The new text replaces the old in the same buffer.
    Cell target = *parent;
    target.data1 = 0;
    string::clear_buffer(&target);
    url::append_code_points(&target, user + U"@" + host);
    return parent;
}

void init() {
    datatype::SlotList slots(datatype::inherit);
    slots.set<action_slot::mold>(&mold).set<action_slot::eval_path>(&eval_path);
    datatype::register_type(type_id::email, type_id::string, "email!", slots);
}

} // namespace zep::email
