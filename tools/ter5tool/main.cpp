// ter5tool: the command-line face of the TER5 Manager libraries.
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return ter5::tool::RunCommand(args);
}
