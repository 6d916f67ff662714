// The end of a test or demonstration program run under Wine.
#pragma once

// Ends the program with `code` once everything it printed is out.
//
// A program that returns from main under Wine first closes its connection to
// the Wine server and then runs the C library's exit handlers; the server
// kills a process that is still running half a second after its connection
// closed. On a busy machine the handlers can take that long, and a program
// that finished its work reads as killed (status 137). Terminating the
// process ends it at once, with its code.
[[noreturn]] void EndProgram(int code);
