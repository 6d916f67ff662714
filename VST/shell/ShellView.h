// The standalone host's view: it owns the devices and the plug-in host. It
// starts the devices, loads the plug-in named like the program and shows its
// editor as the whole client area, renders the plug-in on the driver's
// buffer switches, hands it the MIDI input, and at the end keeps the
// plug-in's state in the program's INI file.
#pragma once

#include "Ini.h"
#include "KASIO.h"
#include "KVST.h"
#include "MIDIInDevice.h"
#include "MIDIReceiver.h"
#include "OptDlg.h"
#include "View.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CShellView : public CView, public midi::CMIDIReceiver {
public:
    static constexpr int32_t kRenderChannels = 32;
    static constexpr int32_t kRenderFrames = 4096;
    // The largest state kept, stored at the end and restored at the start
    // alike: the sampler's chunk buffer, the largest state the plug-ins take.
    static constexpr int32_t kMaxKeptChunk = 3688 + 16 * (6824 + 1024 * 680);
    // Posted by the ASIO host when its driver asks for a reset.
    static constexpr UINT kResetMessage = WM_APP + 1;

    CShellView();
    ~CShellView() override;

    void OnInitialUpdate() override;
    void OnSettings();
    void StartDevices();

    static int32_t RenderAudio(float** inputs, float** outputs, int32_t numInputs, int32_t numOutputs,
                               int32_t frames, int32_t samplePosition, void* user);
    void ProcessPlugin(float** inputs, int32_t frames, float** outputs, int32_t numOutputs);

    void ReceiveMsg(char* data, uint32_t bytesRecorded, uint32_t timestamp) override;
    void ReceiveMsg(uint32_t message, uint32_t timestamp) override;
    void OnError(char* data, uint32_t bytesRecorded, uint32_t timestamp) override;
    void OnError(uint32_t message, uint32_t timestamp) override;

    bool PluginOpen() const { return pluginOpen_.load(); }

    CKASIO m_asio;
    CKVST m_vst;
    midi::CMIDIInDevice m_midiIn;
    CIni m_ini;
    int32_t sampleRate = 44100;
    int32_t asioIndex = -1;
    int32_t midiIndex = -1;
    bool autoSave = false;
    std::vector<float> renderStore;   // 32 channels of 4096 frames
    float* renderBuffers[kRenderChannels] = {};
    COptDlg m_optDlg;

protected:
    void OnDraw(HDC dc) override;
    bool OnCommand(UINT id, UINT code) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool OpenPlugin();
    void FitFrameToEditor();
    void RestoreChunk();
    // With "Save Last:", once. tell: the window still stands, so a state too
    // large to keep can be reported.
    void SaveChunk(bool tell);
    void RetunePlugin();
    void Shutdown();
    void StartMidi();
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    std::string programPath_;
    std::atomic<bool> pluginOpen_{false};
    int32_t pluginRate_ = 0;   // the rate the plug-in was last given
    bool stateSaved_ = false;
    bool shutDown_ = false;   // at the window's end, or by the destructor
    // Inputs a plug-in reads beyond the driver's: silence.
    std::vector<float> silentInput_;
    float* inputPointers_[kRenderChannels] = {};
};
