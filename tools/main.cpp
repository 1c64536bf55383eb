#include "tools/CommandLine.h"

int main(int argc, char** argv) { return tolmero::runCommandLine(argc, argv); }
