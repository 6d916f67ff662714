// The bank player as the host sees it: an 8-output VST 2 synthesizer that
// plays the one sound library exported beside its own file (a copy N.dll
// reads the bank N\N.ksb), only when the library code stamped into that file
// matches the bank's. No automatable parameters; its state is the fixed
// KPlayerChunk. The editor is made once the bank is read and checked.
#pragma once

#include "EngineEffect.h"
#include "PlayerChunk.h"
#include "PlayerEditorHooks.h"

#include <cstdint>
#include <string>

class KPlayerVST;
// Makes the player's editor (which also answers KPlayerEditorHooks).
using KPlayerEditorFactory = AEffEditor* (*)(KPlayerVST* player);

class KPlayerVST : public KEngineEffect {
public:
    static constexpr VstInt32 kChunkSize = static_cast<VstInt32>(sizeof(KPlayerChunk));
    // Where the library code lies in the player's own file.
    static constexpr int64_t kStampOffset = 0x70;

    // Without a factory the player has no editor.
    explicit KPlayerVST(audioMasterCallback audioMaster, KPlayerEditorFactory editorFactory = nullptr);
    // A player whose own file is ownFile (the library's file for the one
    // above).
    KPlayerVST(audioMasterCallback audioMaster, const std::wstring& ownFile,
               KPlayerEditorFactory editorFactory = nullptr);
    ~KPlayerVST() override;

    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void close() override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;

    // The player's build of the file reader: any version, the samples
    // resolved as a project load does, no waveform overviews.
    bool LoadBank(const wchar_t* path, KFileJob& job);
    // Whether this library file was made for the loaded bank: on a mismatch
    // the user is told and every instrument goes.
    void CheckBankPairing();
    void UnloadAllInstruments();
    // The first slot from `slot` on, stepping by `step` (1 or -1) within
    // 0..15, that holds an instrument; -1 when there is none.
    int LoadedSlotFrom(int slot, int step) const;

    std::wstring playerName;
    std::wstring bankPath;
    alignas(8) uint8_t chunkBuffer[kChunkSize] = {};
    // The editor's, or the player's own stand-in: never null.
    KPlayerEditorHooks* editorHooks = &noEditor_;

protected:
    void UpdateOutputMeters(float peakLeft, float peakRight) override;

private:
    KPlayerEditorHooks noEditor_;
    // The path of the player's own file; empty when it was refused.
    std::wstring ownFile_;
};
