// Player sets as the sampler's export makes them: for a library named N, in
// a folder F, the bank F\N\N.ksb written by SaveFile with its WAVs embedded
// and F\N.dll, a copy of the player library with the library's code stamped
// into bytes 0x70..0x73.
#pragma once

#include "Engine.h"
#include "WavWriter.h"

#include <string>

struct PlayerSet {
    std::wstring library; // F\N.dll
    std::wstring bank;    // F\N\N.ksb
};

// False when the bank or the copy cannot be written.
bool MakePlayerSet(KSamplerEngine& engine, const std::wstring& folder, const std::wstring& playerLibrary,
                   PlayerSet& set);

// Sets the four bytes at 0x70 of a file, leaving every other byte.
bool StampLibraryCode(const std::wstring& library, const char code[4]);

// A stand-in for the player library where none is built (the native tree):
// the start of a DLL, with the text of its DOS stub ("mode" at 0x70).
Bytes StandInPlayerLibrary();
