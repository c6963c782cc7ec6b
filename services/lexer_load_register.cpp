// The loader table and the seams through which datatypes load values from
// text.
#include "datatypes/block.h"
#include "datatypes/time.h"
#include "datatypes/word.h"
#include "evaluator/stack.h"
#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/value_make.h"
#include "services/lexer_load.h"

namespace zep::lexer {

void register_loaders() {
    loaders[token::brace_close] = &load_string;
    loaders[token::string] = &load_string;
    loaders[token::word] = &load_word;
    loaders[token::issue] = &load_word;
    loaders[token::integer] = &load_integer_token;
    loaders[token::refinement] = &load_refinement;
    loaders[token::char_] = &load_char;
    loaders[token::file] = &load_file;
    loaders[token::binary] = &load_binary;
    loaders[token::percent] = &load_percent;
    loaders[token::float_] = &load_float_token;
    loaders[token::float_special] = &load_float_special;
    loaders[token::tuple] = &load_tuple_token;
    loaders[token::date] = &load_date;
    loaders[token::pair] = &load_pair;
    loaders[token::point] = &load_point;
    loaders[token::time] = &load_time;
    loaders[token::money] = &load_money_token;
    loaders[token::tag] = &load_tag;
    loaders[token::url] = &load_url;
    loaders[token::email] = &load_email;
    loaders[token::hex] = &load_hex;
    loaders[token::raw_string] = &load_raw_string;
    loaders[token::ref] = &load_ref;
}

namespace {

// Runs `scan`, which fills a new block, and answers whether the block holds
// exactly one value (copied into out). A syntax error in the text is a
// failure like any other: the stacks are put back and false answered.
template <class Scan> bool load_exactly_one(Scan scan, Cell* out) {
    stack::ArgumentStack saved_arguments = stack::arguments;
    stack::Frame* saved_frames = stack::frames.top;
    Cell* block = stack::push_slot();
    value::set_none(block);
    bool loaded = false;
    try {
        scan(block);
        if (cell_type(block) == type_id::block) {
            Ref node = value::series_node(block);
            int32_t head = value::series_head(block);
            if (head >= 0 && node_cell_count(node) == static_cast<uint32_t>(head) + 1) {
                *out = node_cells(node)[head];
                loaded = true;
            }
        }
    } catch (const catch_::Unwind& u) {
        if (u.code != catch_::code_error) throw;
        catch_::exception_slot = 0;
    }
    stack::arguments = saved_arguments;
    stack::frames.top = saved_frames;
    return loaded;
}

bool scan_value(const unsigned char* utf8, uint32_t length, Cell* out) {
    return load_exactly_one([&](Cell* block) { transcode(block, utf8, length, Options{}); }, out);
}

void load_time_text(const Cell* text, Cell* out) {
    Cell copy = *text;
    load_exactly_one([&](Cell* block) { scan_string_value(&copy, block, Options{}); }, out);
}

bool load_text_block(const Cell* text, Cell* destination) {
    Cell copy = *text;
    scan_string_value(&copy, destination, Options{});
    return true;
}

} // namespace

void install_hooks() {
    word::scan_value = &scan_value;
    time::set_text_loader(&load_time_text);
    block::load_text = &load_text_block;
}

} // namespace zep::lexer
