// Which instructions the block renderers (voice lanes, reverb) run: AVX
// where the processor and the system run it, else the build's baseline,
// SSE2. Tests may hold them to SSE2.
#pragma once

// The processor has AVX and the system saves its registers.
bool AvxUsable();

// AVX is in use.
bool UseAvx();

// Tests: true holds the renderers to SSE2; false lets them use AVX where it
// runs. Returns whether AVX is in use now.
bool PreferSse2(bool sse2Only);
