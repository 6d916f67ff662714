// program_end_child <code> <text>: prints the text, without a line end and
// without flushing, and ends through EndProgram with the code.
#include "ProgramEnd.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) EndProgram(99);
    std::printf("%s", argv[2]);
    EndProgram(std::atoi(argv[1]));
}
