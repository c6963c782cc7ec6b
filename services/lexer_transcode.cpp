// The lexer's entries: transcode in its modes, strings as input, the chain
// of active states that the collector marks, and start-up.
#include <cstring>
#include <vector>

#include "datatypes/block.h"
#include "datatypes/string_buffer.h"
#include "datatypes/word.h"
#include "runtime/cell_ops.h"
#include "runtime/collector.h"
#include "runtime/memory.h"
#include "runtime/raise.h"
#include "runtime/unicode/conversion.h"
#include "runtime/unicode/utf8.h"
#include "runtime/value_make.h"
#include "services/lexer_internal.h"

namespace zep::lexer {

std::vector<Cell> output;
State* active = nullptr;
Loader loaders[token::count] = {};

namespace {

// Links a state into the active chain for the length of a transcode and
// drops what it produced from the shared output buffer afterwards.
class ActiveState {
  public:
    explicit ActiveState(State& s) : state_(s) {
        s.parent = active;
        s.output_base = static_cast<uint32_t>(output.size());
        active = &s;
    }
    ~ActiveState() {
        active = state_.parent;
        output.resize(state_.output_base);
    }
    ActiveState(const ActiveState&) = delete;
    ActiveState& operator=(const ActiveState&) = delete;

  private:
    State& state_;
};

bool is_set(const Cell* c) {
    return c && cell_type(c) != 0 && cell_type(c) != type_id::none;
}

// Runs the scan loop; a callback that lets an error pass after moving the
// input starts it again from there.
int32_t run(State& s) {
    for (;;) {
        try {
            return scan(s);
        } catch (const Resume&) {
            s.start_state = 0;
            s.brace_depth = 0;
        } catch (const QuietEnd&) {
            close_open_series(s);
            return s.invalid ? -1 : 0;
        }
    }
}

// The cells produced from `from` as the transcode's result.
void deliver(const State& s, Cell* out, const Options& options) {
    uint32_t from = s.output_base;
    uint32_t n = static_cast<uint32_t>(output.size()) - from;
    if (s.mode == Mode::one) {
        if (n) {
            // A value taken on its own: the new-line mark belongs to a block.
            *out = output[from];
            value::clear_line_flag(&out->header);
        } else {
            value::set_none(out);
        }
        return;
    }
    if (is_set(options.into)) {
        Cell into = *options.into;
        for (uint32_t i = 0; i < n; ++i) {
            Cell item = output[from + i];
            block::append_value(&into, &item);
        }
        *out = into;
        return;
    }
    Cell result;
    block::make_at(&result, static_cast<int32_t>(n));
    if (n) {
        SeriesBuffer* buffer = node_buffer(value::series_node(&result));
        unsigned char* cells = series::alloc_tail_bytes(buffer, n * sizeof(Cell));
        std::memcpy(cells, output.data() + from, n * sizeof(Cell));
    }
    *out = result;
}

Result transcode_state(State& s, Cell* out, const Options& options) {
    ActiveState link(s);
    Result result;
    result.type = run(s);
    if (s.position < s.input_start) s.position = s.input_start;
    result.consumed = source_offset(s, s.position);
    result.count = static_cast<uint32_t>(output.size()) - s.output_base;
    if (s.mode == Mode::whole || s.mode == Mode::one) {
        if (s.invalid) result.type = -1;
        deliver(s, out, options);
    }
    return result;
}

void prepare(State& s, const uint8_t* bytes, uint32_t length, const Options& options) {
    s.input_start = bytes;
    s.input_end = bytes + length;
    s.position = bytes;
    s.mode = options.mode;
    s.quiet = options.quiet;
    value::set_none(&s.callback);
    value::set_none(&s.source);
    if (is_set(options.callback)) {
        s.callback = *options.callback;
        s.event_mask = options.event_mask;
    }
    if (is_set(options.source)) s.source = *options.source;
}

// ---- Hooks the datatypes leave for the lexer ----------------------------------

// One value from UTF-8 text, or false (nothing, several values, or invalid).
bool scan_one_value(const unsigned char* utf8, uint32_t length, Cell* out) {
    Options options;
    options.quiet = true;
    Cell loaded;
    Result r = transcode(&loaded, utf8, length, options);
    if (r.type < 0 || r.count != 1) return false;
    *out = *block::cell_at(&loaded, 0);
    value::clear_line_flag(&out->header);
    return true;
}

bool load_block_text(const Cell* text, Cell* destination) {
    Options options;
    scan_string_value(text, destination, options);
    return true;
}

} // namespace

Cell* alloc_cell(State&) {
    Cell none;
    value::set_none(&none);
    output.push_back(none);
    return &output.back();
}

Result transcode(Cell* out, const uint8_t* bytes, uint32_t length, const Options& options) {
    State s;
    prepare(s, bytes, length, options);
    return transcode_state(s, out, options);
}

Result scan_string_value(const Cell* text, Cell* out, const Options& options) {
    Cell value = *text;
    const unsigned char* head = string::head_address(&value);
    const unsigned char* tail = string::tail_address(&value);
    SeriesBuffer* buffer = node_buffer(value::series_node(&value));
    uint64_t size = unicode::utf8_size_of_series(head, tail, buffer_unit(buffer));
    if (size > UINT32_MAX - 1) error::fire_named(error::Category::internal, "no-memory");
    // The text's own buffer: nested transcodes each have theirs.
    std::vector<uint8_t> utf8(static_cast<size_t>(size) + 1);
    uint32_t length = unicode::series_to_utf8(&value, utf8.data(), -1, false);
    State s;
    prepare(s, utf8.data(), length, options);
    s.positions_in_chars = true;
    if (!is_set(options.source)) s.source = value;
    return transcode_state(s, out, options);
}

void load_value(const uint8_t* bytes, uint32_t length, Cell* out) {
    Options options;
    Cell loaded;
    Result r = transcode(&loaded, bytes, length, options);
    if (r.count == 1) {
        *out = *block::cell_at(&loaded, 0);
        value::clear_line_flag(&out->header);
    } else {
        *out = loaded;
    }
}

void mark_active(void (*mark_cell)(Cell* cell)) {
    State* outermost = nullptr;
    for (State* s = active; s; s = s->parent) {
        mark_cell(&s->callback);
        mark_cell(&s->source);
        outermost = s;
    }
    if (!outermost) return;
    for (size_t i = outermost->output_base; i < output.size(); ++i) mark_cell(&output[i]);
}

namespace {
void mark_state_cell(Cell* cell) {
    gc::mark_cells(cell, cell + 1);
}
void mark_states() {
    mark_active(mark_state_cell);
}
} // namespace

void init() {
    gc::add_mark_callback(mark_states);
    output.clear();
    output.reserve(1024);
    active = nullptr;
    register_loaders();
    word::scan_value = scan_one_value;
    block::load_text = load_block_text;
}

} // namespace zep::lexer
