// Entry point of the zep executable.
#include "runtime/arena.h"

int main() {
    zep::arena::init();
    return 0;
}
