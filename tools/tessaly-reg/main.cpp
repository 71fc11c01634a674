// tessaly-reg: registry values and .reg files from the command line.
#include <iostream>

#include "tools/tessaly-reg/RegTool.h"

int main(int argc, char** argv) {
    return tessaly::cli::Guarded("tessaly-reg", [&] {
        return tessaly::tools::RunRegTool(tessaly::cli::Arguments(argc, argv), std::cout, std::cerr);
    });
}
