// korvalis-batch: frames and adjusts folders of photos from the command line (see batch.h).
#include "app/batch/batch.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return kv::batch::Main(args, std::cout, std::cerr);
}
