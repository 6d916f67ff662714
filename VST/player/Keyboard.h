// The player's on-screen keyboard: six octaves and two keys (notes 24 to
// 97). A press plays a note on the shown instrument's channel into the
// player's MIDI queue; the keys the engine sounds are tinted, as the
// editor's MIDI monitor marks them. The keys themselves are in the skin
// background: the widget draws only the tint.
//
// Threads: the mouse and Draw run on the window's thread; the monitor stores
// key states from the audio thread (single bytes, no lock) and leaves the
// repaint to the window's thread.
#pragma once

#include "Widget.h"

#include <atomic>
#include <cstdint>

class KInstrument;
class KPlayerVST;

class KKeyboard : public KWidget {
public:
    static constexpr int kLowestNote = 24;
    static constexpr int kHighestNote = 97;
    static constexpr int kKeys = kHighestNote - kLowestNote + 1;
    static constexpr int kOctaveWidth = 84;
    static constexpr int kWhiteWidth = 12;
    static constexpr int kBlackWidth = 9;
    static constexpr int kBlackHeight = 38;
    static constexpr uint32_t kTint = 0x7887CDF5;

    KKeyboard();
    ~KKeyboard() override;

    void Draw(Gdiplus::Graphics& graphics) override;
    void OnLButtonDown(int x, int y, int keys) override;
    void OnLButtonUp(int x, int y, int keys) override;

    // All keys up, repainted.
    void ClearKeys();
    // A note of 24..97 down or up, repainted; others are off the keyboard
    // and ignored.
    void MarkKey(int note, bool held);
    // Any thread: the same, stored only (no window call); false for a note
    // off the keyboard. The window's thread repaints.
    bool StoreKey(int note, bool held);
    void StoreAllKeysUp();
    bool IsHeld(int note) const;
    // The white key (0..6) of a white semitone; 0 for anything else.
    static int WhiteKeyIndex(int semitone);
    // The note under a widget-local point; also the velocity of a press
    // there (lastVelocity): 1 at the top edge toward 127 at the bottom.
    int NoteFromPoint(int x, int y);

    std::atomic<uint8_t> keys[kKeys];
    KInstrument* instrument = nullptr;
    Gdiplus::SolidBrush* whiteBrush = nullptr;
    Gdiplus::SolidBrush* blackBrush = nullptr;
    KPlayerVST* effect = nullptr;
    RECT blackKeyRects[5];
    uint8_t lastNote = 0;
    uint8_t lastVelocity = 0;

private:
    // Status with the instrument's channel; omni plays on channel 16.
    uint8_t StatusFor(int kind) const;

    int pressChannel_ = -1; // of the note a press started; -1: none
};
