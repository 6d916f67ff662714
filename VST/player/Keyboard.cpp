#include "Keyboard.h"

#include "Instrument.h"
#include "MidiQueue.h"
#include "PlayerVST.h"

namespace {
// The semitones of an octave's black keys, in the order of blackKeyRects,
// and of its white keys, left to right.
constexpr int kBlackSemitones[5] = {1, 3, 6, 8, 10};
constexpr int kWhiteSemitones[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int kBlackLefts[5] = {4, 20, 41, 55, 69};

int BlackIndex(int semitone) {
    for (int b = 0; b < 5; ++b)
        if (kBlackSemitones[b] == semitone) return b;
    return -1;
}
} // namespace

KKeyboard::KKeyboard() {
    whiteBrush = new Gdiplus::SolidBrush(Gdiplus::Color(kTint));
    blackBrush = new Gdiplus::SolidBrush(Gdiplus::Color(kTint));
    for (int b = 0; b < 5; ++b) blackKeyRects[b] = {kBlackLefts[b], 0, kBlackLefts[b] + kBlackWidth, kBlackHeight};
    ClearKeys();
}

KKeyboard::~KKeyboard() {
    delete whiteBrush;
    delete blackBrush;
}

void KKeyboard::ClearKeys() {
    StoreAllKeysUp();
    Invalidate();
}

void KKeyboard::MarkKey(int note, bool held) {
    if (StoreKey(note, held)) Invalidate();
}

bool KKeyboard::StoreKey(int note, bool held) {
    if (note < kLowestNote || note > kHighestNote) return false;
    keys[note - kLowestNote].store(held ? 1 : 0, std::memory_order_relaxed);
    return true;
}

void KKeyboard::StoreAllKeysUp() {
    for (std::atomic<uint8_t>& key : keys) key.store(0, std::memory_order_relaxed);
}

bool KKeyboard::IsHeld(int note) const {
    return note >= kLowestNote && note <= kHighestNote && keys[note - kLowestNote].load(std::memory_order_relaxed) != 0;
}

int KKeyboard::WhiteKeyIndex(int semitone) {
    for (int w = 1; w < 7; ++w)
        if (kWhiteSemitones[w] == semitone) return w;
    return 0;
}

void KKeyboard::Draw(Gdiplus::Graphics& graphics) {
    for (int i = 0; i < kKeys; ++i) {
        if (keys[i].load(std::memory_order_relaxed) == 0) continue;
        const int octave = i / 12, semitone = i % 12;
        const int b = BlackIndex(semitone);
        if (b >= 0) {
            graphics.FillRectangle(blackBrush, static_cast<int>(blackKeyRects[b].left) + kOctaveWidth * octave, 0,
                                   kBlackWidth, kBlackHeight);
        } else {
            graphics.FillRectangle(whiteBrush, kOctaveWidth * octave + kWhiteWidth * WhiteKeyIndex(semitone), 0,
                                   kWhiteWidth, Height());
        }
    }
}

int KKeyboard::NoteFromPoint(int x, int y) {
    // The panel hands a press inside the rectangle; a point outside would
    // name notes the keyboard does not have.
    if (x < 0) x = 0;
    if (x >= Width()) x = Width() - 1;
    if (y < 0) y = 0;
    if (y >= Height()) y = Height() - 1;
    const int octave = x / kOctaveWidth, base = 12 * octave + kLowestNote;
    const POINT inOctave = {x % kOctaveWidth, y};
    // Black keys first: where one lies over two white keys it wins.
    for (int b = 0; b < 5; ++b) {
        if (::PtInRect(&blackKeyRects[b], inOctave)) {
            lastVelocity = static_cast<uint8_t>(static_cast<float>(y) / kBlackHeight * 127.0f + 1.0f);
            return base + kBlackSemitones[b];
        }
    }
    lastVelocity = static_cast<uint8_t>(static_cast<float>(y) / static_cast<float>(Height()) * 127.0f + 1.0f);
    return base + kWhiteSemitones[x / kWhiteWidth - 7 * octave];
}

uint8_t KKeyboard::StatusFor(int kind) const {
    const int channel = instrument->midiChannel == 0 ? 15 : (instrument->midiChannel - 1) & 0x0F;
    return static_cast<uint8_t>(kind | channel);
}

void KKeyboard::OnLButtonDown(int x, int y, int) {
    if (instrument == nullptr || effect == nullptr || Height() <= 0) return;
    // The key is tinted when the engine plays the note, not here.
    lastNote = static_cast<uint8_t>(NoteFromPoint(x, y));
    const uint8_t midi[3] = {StatusFor(KMidi::kNoteOn), lastNote, lastVelocity};
    effect->QueueMidiEvent(midi, 0);
    pressChannel_ = midi[0] & 0x0F;
}

void KKeyboard::OnLButtonUp(int, int, int) {
    if (instrument == nullptr || effect == nullptr || pressChannel_ < 0) return;
    // The key of the press, on the press's channel (a restore may have
    // shown another instrument meanwhile), wherever the pointer is now.
    const uint8_t midi[3] = {static_cast<uint8_t>(KMidi::kNoteOff | pressChannel_), lastNote, 0};
    pressChannel_ = -1;
    effect->QueueMidiEvent(midi, 0);
}
