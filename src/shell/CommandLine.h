#pragma once

// Harklet has no options: any argument is answered here and the process ends, before a
// display, a tray or a running instance is involved.
namespace CommandLine {

// --help and --version print to standard output and give 0; anything else prints one line
// to standard error and gives 2.
int answer(int argc, char *argv[]);

} // namespace CommandLine
