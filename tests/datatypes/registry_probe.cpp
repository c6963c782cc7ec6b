// Registers a datatype with a wrong number of action slots, which ends the
// process:   registry_probe short|long
#include <cstring>

#include "datatypes/registry.h"

using namespace zep;

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    datatype::SlotWord slots[70] = {};
    int32_t count = std::strcmp(argv[1], "short") == 0 ? 64 : 73;
    datatype::register_type(datatype::Registration{count, 50, 0, "port!", slots});
    return 3; // not reached
}
