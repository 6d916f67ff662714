// patchfold "<bank.sf2>" ["<output folder>\"]: a console program that prints
// nothing and always ends with 0.
#include "Patchfold.h"

int main(int argc, char** argv) { return Patchfold(argc, argv); }
