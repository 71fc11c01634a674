// objcomm: a protocol debugger for people and scripts.
#include <iostream>

#include "tools/objcomm/ObjcommProgram.h"

int main(int argc, char** argv) {
    return tessaly::cli::Guarded("objcomm", [&] {
        return tessaly::tools::RunObjcomm(tessaly::cli::Arguments(argc, argv),
                                          {std::cin, std::cout, std::cerr});
    });
}
