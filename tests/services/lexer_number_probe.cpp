// Loads each input line as one token and prints what it became, for the
// Python check of the number loaders:
//   "I <value>"      an integer!
//   "F <hex bits>"   a float!
//   "P <hex bits>"   a percent!
//   "E"              anything else (an error included)
#include <cinttypes>
#include <cstdio>
#include <string>

#include "boot/startup.h"
#include "runtime/catch.h"
#include "runtime/memory.h"
#include "runtime/platform.h"
#include "runtime/value_make.h"
#include "services/lexer.h"

using namespace zep;

namespace {

void answer(const std::string& line) {
    Cell block;
    lexer::Options options;
    options.quiet = true;
    lexer::Result r = lexer::transcode(&block, reinterpret_cast<const uint8_t*>(line.data()),
                                       static_cast<uint32_t>(line.size()), options);
    if (r.type < 0 || r.count != 1) {
        std::printf("E\n");
        return;
    }
    const Cell value = node_cells(value::series_node(&block))[value::series_head(&block)];
    uint64_t bits = (uint64_t{value.data3} << 32) | value.data2;
    switch (cell_type(&value)) {
    case type_id::integer:
        std::printf("I %d\n", value::integer_of(&value));
        break;
    case type_id::float_:
        std::printf("F %016" PRIx64 "\n", bits);
        break;
    case type_id::percent:
        std::printf("P %016" PRIx64 "\n", bits);
        break;
    default:
        std::printf("E\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    platform::init(argc, argv);
    platform::init_stack_bounds();
    catch_::run_outermost([] {
        boot::init_interpreter();
        lexer::init();
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, stdin)) {
            std::string line = buffer;
            if (!line.empty() && line.back() == '\n') line.pop_back();
            answer(line);
        }
    });
    return 0;
}
