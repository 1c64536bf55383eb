#pragma once

namespace tolmero {

// Parses the command line and runs the chosen command; returns the exit code.
int runCommandLine(int argc, char** argv);

}  // namespace tolmero
