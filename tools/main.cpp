#include <cstdio>
#include <exception>

#include "tools/CommandLine.h"

// Whatever escapes a command (a track the production lacks, memory that ran
// out) ends the program with one line that names it, not with an abort.
int main(int argc, char** argv) {
    try {
        return tolmero::runCommandLine(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tolmero: %s\n", error.what());
        return 1;
    }
}
