// Runs foreign code that may fail hard (a plug-in's entry point) so that its
// failure cannot take the host down.
#pragma once

// Calls fn(argument). Returns false, instead of letting the process die,
// when the call raised a structured exception that it did not handle itself
// (an access violation, a C++ exception of another compiler's runtime) or
// aborted on an exception of its own runtime that nothing caught. The failed
// call's stack is abandoned: whatever it held stays held.
bool GuardedCall(void (*fn)(void* argument), void* argument);
