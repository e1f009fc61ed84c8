// The entry on Linux: the arguments are the bytes the shell gave, handed over as they are.
#include "app/entry.h"

int main(int argc, char** argv) {
    return quellon::programMain(argc, argv);
}
