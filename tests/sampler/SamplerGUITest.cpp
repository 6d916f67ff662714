// The sampler's editor built into a program that carries no skin: every
// image is missing, "BACKGROUND" too. The editor reports its usual size,
// opens and closes without a panel, and the plug-in plays as before.
#include "SamplerGUI.h"

#include "WindowRig.h"

#include <gtest/gtest.h>

namespace {

VstIntPtr Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(SamplerGUIWithoutSkin, ReportsTheDefaultSizeOpensWithoutAPanelAndThePluginPlays) {
    KSamplerVST plugin(Host, CreateSamplerGUI);
    AEffect* effect = plugin.getAeffect();
    auto dispatch = [effect](VstInt32 opcode, void* ptr) { return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f); };
    EXPECT_EQ(effect->flags & effFlagsHasEditor, effFlagsHasEditor);
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, KSamplerGUI::kDefaultWidth);
    EXPECT_EQ(rect->bottom, KSamplerGUI::kDefaultHeight);

    HostWindow window(KSamplerGUI::kDefaultWidth, KSamplerGUI::kDefaultHeight);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(dispatch(effEditOpen, window.hwnd()), 1);
        PumpMessages();
        EXPECT_EQ(::GetWindow(window.hwnd(), GW_CHILD), nullptr) << "no picture, no panel";
        dispatch(effEditIdle, nullptr);
        dispatch(effIdle, nullptr);
        dispatch(effEditClose, nullptr);
    }

    plugin.setSampleRate(44100.0f);
    plugin.resume();
    std::vector<float> buffers(8 * 256, 1.0f);
    float* outputs[8];
    for (int i = 0; i < 8; ++i) outputs[i] = buffers.data() + i * 256;
    plugin.processReplacing(nullptr, outputs, 256);
    EXPECT_EQ(buffers[0], 0.0f) << "rendered (silence: the instrument has no zone)";
}

} // namespace
