// Listens to a recording of the phrase: each note, in the time it is held,
// must sound on both channels at its key's pitch.
#pragma once

#include "Phrase.h"
#include "Recording.h"

#include <string>
#include <vector>

namespace demo {

// About five cents either way: far below the semitone a wrong key or a wrong
// root would show.
constexpr double kPitchTolerance = 0.003;
// Peak level a note's channels must reach.
constexpr float kAudible = 0.02f;
// Where a note is measured: from this long after its start to its end.
constexpr double kSettleSeconds = 0.1;

struct NoteHeard {
    PhraseNote note;
    double expectedHz = 0.0;
    double leftHz = 0.0, rightHz = 0.0; // 0: no period found
    float quieterPeak = 0.0f;            // of the two channels
    std::string problem;                 // empty when the note is right
};

struct PhraseHeard {
    std::vector<NoteHeard> notes;
    bool Right() const;
    // One line: each note's name and the pitch measured, or what is wrong
    // with it in brackets.
    std::string Summary() const;
};

PhraseHeard ListenTo(const Recording& recording, const std::vector<PhraseNote>& phrase);

} // namespace demo
