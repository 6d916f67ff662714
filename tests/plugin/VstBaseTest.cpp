#include "AudioEffectX.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The least a plug-in must supply, with the host calls it saw.
class MinimalEffect : public AudioEffectX {
public:
    explicit MinimalEffect(audioMasterCallback master) : AudioEffectX(master, 3, 7) {}
    void process(float**, float**, VstInt32) override {}
    VstInt32 processEvents(VstEvents*) override { return 1; }
    bool getProgramNameIndexed(VstInt32, VstInt32, char*) override { return false; }
    bool getOutputProperties(VstInt32, VstPinProperties*) override { return false; }
    bool getEffectName(char*) override { return false; }
    bool getVendorString(char*) override { return false; }
    bool getProductString(char*) override { return false; }
    VstInt32 canDo(char*) override { return 0; }
};

struct HostCall {
    VstInt32 opcode, index;
    VstIntPtr value;
    float opt;
};
std::vector<HostCall> gCalls;
VstIntPtr gAnswer = 0;

VstIntPtr RecordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt) {
    gCalls.push_back({opcode, index, value, opt});
    return gAnswer;
}

TEST(AudioEffect, FillsTheEffectRecord) {
    MinimalEffect e(nullptr);
    const AEffect& a = *e.getAeffect();
    EXPECT_EQ(a.magic, FourCC("VstP"));
    uint8_t bytes[4];
    std::memcpy(bytes, &a.magic, 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "PtsV") << "bytes 50 74 73 56 in memory";
    EXPECT_EQ(a.numPrograms, 3);
    EXPECT_EQ(a.numParams, 7);
    EXPECT_EQ(a.numInputs, 1);
    EXPECT_EQ(a.numOutputs, 2);
    EXPECT_EQ(a.flags, 0);
    EXPECT_EQ(a.ioRatio, 1.0f);
    EXPECT_EQ(a.object, &e);
    EXPECT_EQ(a.uniqueID, FourCC("NoEf"));
    EXPECT_EQ(a.version, 1);
    EXPECT_EQ(e.getSampleRate(), 44100.0f);
    EXPECT_EQ(e.getBlockSize(), 1024);
}

TEST(AudioEffect, DispatcherOpcodes) {
    MinimalEffect e(nullptr);
    AEffect* a = e.getAeffect();
    struct Case {
        VstInt32 opcode, index;
        VstIntPtr value;
        VstIntPtr expected;
    };
    for (Case c : {Case{effIdentify, 0, 0, FourCC("NvEf")}, Case{effKeysRequired, 0, 0, 1},
                   Case{effGetVstVersion, 0, 0, 2300}, Case{effGetPlugCategory, 0, 0, 0},
                   Case{effGetChunk, 0, 0, 0}, Case{effEditGetRect, 0, 0, 0}, Case{effEditOpen, 0, 0, 0},
                   Case{effEditKeyDown, 65, 0, 0}, Case{effGetNumProgramCategories, 0, 0, 1},
                   Case{effCanBeAutomated, 5, 0, 1}, Case{effConnectInput, 0, 1, 1},
                   Case{effGetCurrentMidiProgram, 0, 0, -1}, Case{effSetTotalSampleToProcess, 0, 777, 777},
                   Case{effEditDraw, 0, 0, 0}, Case{200, 0, 0, 0}})
        EXPECT_EQ(a->dispatcher(a, c.opcode, c.index, c.value, nullptr, 0.0f), c.expected) << c.opcode;

    // A program beyond numPrograms is refused; a negative one is passed on.
    a->dispatcher(a, effSetProgram, 0, 2, nullptr, 0.0f);
    EXPECT_EQ(a->dispatcher(a, effGetProgram, 0, 0, nullptr, 0.0f), 2);
    a->dispatcher(a, effSetProgram, 0, 3, nullptr, 0.0f);
    EXPECT_EQ(e.curProgram, 2);
    a->dispatcher(a, effSetProgram, 0, -1, nullptr, 0.0f);
    EXPECT_EQ(e.curProgram, -1);

    a->dispatcher(a, effSetSampleRate, 0, 0, nullptr, 96000.0f);
    a->dispatcher(a, effSetBlockSize, 0, 333, nullptr, 0.0f);
    EXPECT_EQ(e.getSampleRate(), 96000.0f);
    EXPECT_EQ(e.getBlockSize(), 333);
    a->dispatcher(a, effSetBlockSizeAndSampleRate, 0, 64, nullptr, 22050.0f);
    EXPECT_EQ(e.getBlockSize(), 64);
    EXPECT_EQ(e.getSampleRate(), 22050.0f);

    e.isSynth(true);
    EXPECT_EQ(a->dispatcher(a, effGetPlugCategory, 0, 0, nullptr, 0.0f), 2);
    char text[64] = "untouched";
    a->dispatcher(a, effGetProgramName, 0, 0, text, 0.0f);
    EXPECT_STREQ(text, "");
}

TEST(AudioEffect, CloseDeletesTheEffect) {
    static bool deleted = false;
    struct Tracked : MinimalEffect {
        Tracked() : MinimalEffect(nullptr) {}
        ~Tracked() override { deleted = true; }
    };
    auto* e = new Tracked();
    AEffect* a = e->getAeffect();
    EXPECT_EQ(a->dispatcher(a, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(deleted);
}

TEST(AudioEffect, HostWrappers) {
    gCalls.clear();
    MinimalEffect e(RecordingHost);
    gAnswer = 0;
    EXPECT_EQ(e.getMasterVersion(), 1) << "an answer of 0 reads as 1";
    gAnswer = 2400;
    EXPECT_EQ(e.getMasterVersion(), 2400);
    gAnswer = 0;
    EXPECT_TRUE(e.isOutputConnected(3));
    EXPECT_EQ(gCalls.back().opcode, audioMasterPinConnected);
    EXPECT_EQ(gCalls.back().value, 1);
    e.wantEvents(1);
    EXPECT_EQ(gCalls.back().opcode, audioMasterWantMidi);
    EXPECT_EQ(gCalls.back().value, 1);
    e.setParameterAutomated(4, 0.25f);
    EXPECT_EQ(gCalls.back().opcode, audioMasterAutomate);
    EXPECT_EQ(gCalls.back().index, 4);
    EXPECT_EQ(gCalls.back().opt, 0.25f);
    gAnswer = 48000;
    EXPECT_EQ(e.updateSampleRate(), 48000.0);
    gAnswer = -5;
    EXPECT_EQ(e.updateBlockSize(), 1024) << "only a positive answer replaces it";
    gAnswer = 1;
    EXPECT_TRUE(e.needIdle());
    EXPECT_EQ(gCalls.back().opcode, audioMasterNeedIdle);
    EXPECT_FALSE(e.openFileSelector(nullptr));

    MinimalEffect alone(nullptr);
    EXPECT_EQ(alone.getMasterVersion(), 1);
    EXPECT_TRUE(alone.isInputConnected(0));
    EXPECT_EQ(alone.getTimeInfo(0), nullptr);
    EXPECT_FALSE(alone.needIdle());
}

TEST(AudioEffect, TextFormatting) {
    MinimalEffect e(nullptr);
    struct Case {
        float value;
        const char* text;
    };
    char text[32];
    for (Case c : {Case{1.5f, "1.500000"}, Case{-2.25f, "-2.25000"}, Case{0.0f, "0.000000"},
                   Case{123.125f, "123.1250"}, Case{1234567.0f, "1234567."}, Case{-123456.0f, "-123456."}}) {
        std::memset(text, 'x', sizeof text);
        e.float2string(c.value, text);
        EXPECT_STREQ(text, c.text) << c.value;
    }
    e.dB2string(0.0f, text);
    EXPECT_STREQ(text, "-oo");
    e.dB2string(10.0f, text);
    EXPECT_STREQ(text, "20.00000");
    e.long2string(100000000, text);
    EXPECT_STREQ(text, "Huge!");
    e.long2string(5, text);
    EXPECT_STREQ(text, "      5");
    e.ms2string(44100.0f, text);
    EXPECT_STREQ(text, "1000.000");
    e.Hz2string(0.0f, text);
    EXPECT_STREQ(text, "0.000000");
    e.Hz2string(441.0f, text);
    EXPECT_STREQ(text, "100.0000");
}

TEST(AEffEditor, BaseBehaviour) {
    struct Counting : AEffEditor {
        using AEffEditor::AEffEditor;
        int updates = 0;
        void update() override { ++updates; }
    };
    MinimalEffect e(nullptr);
    auto* editor = new Counting(&e);
    e.setEditor(editor);
    EXPECT_EQ(e.getAeffect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    editor->postUpdate();
    editor->idle();
    editor->idle();
    EXPECT_EQ(editor->updates, 1);
    AEffect* a = e.getAeffect();
    ERect* rect = reinterpret_cast<ERect*>(0x1);
    EXPECT_EQ(a->dispatcher(a, effEditGetRect, 0, 0, &rect, 0.0f), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(a->dispatcher(a, effEditKeyDown, 'a', 0, nullptr, 0.0f), -1);
    int window = 0;
    a->dispatcher(a, effEditOpen, 0, 0, &window, 0.0f);
    EXPECT_EQ(editor->systemWindow, &window);
    a->dispatcher(a, effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(editor->updates, 1);
}

TEST(AudioEffectX, SpeakerArrangements) {
    MinimalEffect e(nullptr);
    VstSpeakerArrangement* from = nullptr;
    ASSERT_TRUE(e.allocateArrangement(&from, 12));
    EXPECT_EQ(from->numChannels, 12);
    from->type = 7;
    auto* speakers = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(from) + 8);
    std::strcpy(speakers[11].name, "Top");
    speakers[11].azimuth = 0.5f;
    speakers[11].future[27] = 9;
    VstSpeakerArrangement* to = nullptr;
    ASSERT_TRUE(e.matchArrangement(&to, from));
    auto* copied = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(to) + 8);
    EXPECT_EQ(to->type, 7);
    EXPECT_EQ(to->numChannels, 12);
    EXPECT_STREQ(copied[11].name, "Top");
    EXPECT_EQ(copied[11].azimuth, 0.5f);
    EXPECT_EQ(copied[11].future[27], 9);
    EXPECT_FALSE(e.matchArrangement(&to, nullptr));
    EXPECT_FALSE(e.copySpeaker(nullptr, copied));
    EXPECT_TRUE(e.deallocateArrangement(&to));
    EXPECT_EQ(to, nullptr);
    e.deallocateArrangement(&from);
    VstSpeakerArrangement *in = from, *out = from;
    EXPECT_FALSE(e.getSpeakerArrangement(&in, &out));
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
}

} // namespace
