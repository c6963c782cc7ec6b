// The loader table: one loader per token class that builds a value.
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

} // namespace zep::lexer
