// ostrefin: the configuration utility on Linux. See config/README.md.
#include <iostream>
#include <string>
#include <vector>

#include "config/cli/OstrefinCommands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tessaly::tools::RunOstrefin(args, tessaly::tools::LocalOstrefinHost(), std::cout, std::cerr);
}
