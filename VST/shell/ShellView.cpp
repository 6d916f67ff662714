#include "ShellView.h"

#include "LoadDlg.h"
#include "MainFrame.h"
#include "ShellPaths.h"
#include "ShellResources.h"
#include "WinApp.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr char kDevice[] = "device";
constexpr char kChunkSection[] = "VSTChunk";
// Set when the user was told that a state was too large to keep; it goes
// with the section when a state is stored again.
constexpr char kTooLargeKey[] = "toolarge";

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int length = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length > 0 ? length : 1), '\0');
    if (length > 0) ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(std::strlen(narrow.c_str()));
    return narrow;
}

// Rates a hand-edited INI file may name that a plug-in and a driver can
// sensibly run at.
bool PlausibleRate(int32_t rate) { return rate >= 8000 && rate <= 192000; }

void ReportMidiFailure(const midi::CMIDIInException& failure) { AfxMessageBox(failure.what(), MB_OK); }

} // namespace

CShellView::CShellView()
    : m_asio(&CShellView::RenderAudio), m_midiIn(this),
      renderStore(static_cast<size_t>(kRenderChannels) * kRenderFrames, 0.0f),
      m_optDlg(&m_asio), silentInput_(kRenderFrames, 0.0f) {
    for (int32_t i = 0; i < kRenderChannels; ++i)
        renderBuffers[i] = renderStore.data() + static_cast<size_t>(i) * kRenderFrames;
    CWinApp* app = AfxGetApp();
    if (app != nullptr) programPath_ = Narrow(app->ProgramPath());
}

CShellView::~CShellView() { Shutdown(); }

VstIntPtr CShellView::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    AEffect* effect = m_vst.effect;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void CShellView::OnInitialUpdate() {
    CView::OnInitialUpdate();
    m_asio.SetResetNotify(m_hWnd, kResetMessage);

    m_ini.SetPath(WithExtension(programPath_, "ini").c_str());
    const std::string pluginPath = WithExtension(programPath_, "dll");

    midiIndex = m_ini.GetInt(kDevice, "midi", 0);
    asioIndex = m_ini.GetInt(kDevice, "asio", -1);
    sampleRate = m_ini.GetInt(kDevice, "samplerate", 44100);
    if (!PlausibleRate(sampleRate)) sampleRate = 44100;
    autoSave = m_ini.GetBool(kDevice, "autosave");

    if (asioIndex != -1)
        StartDevices();
    else
        OnSettings();

    CLoadDlg loading;
    if (loading.Create(IDD_LOADING, this)) ::UpdateWindow(loading.m_hWnd);
    if (!m_vst.Load(pluginPath.c_str()) || !OpenPlugin()) AfxMessageBox("can not load VST plug-in", MB_OK);
    loading.DestroyWindow();
}

bool CShellView::OpenPlugin() {
    // Channels beyond the render buffers could not be given to it.
    if (m_vst.numInputs > kRenderChannels || m_vst.numOutputs > kRenderChannels) {
        m_vst.Unload();
        return false;
    }
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(effSetBlockSize, 0, kRenderFrames);
    Dispatch(effMainsChanged, 0, 1);
    pluginRate_ = sampleRate;
    pluginOpen_ = true;

    if (m_vst.hasEditor) FitFrameToEditor();
    HWND frame = ::GetParent(m_hWnd);
    ::SetWindowTextA(frame, GetModuleTitle(programPath_).c_str());
    if (m_vst.hasEditor) Dispatch(effEditOpen, 0, 0, m_hWnd);
    if (autoSave) RestoreChunk();
    return true;
}

void CShellView::FitFrameToEditor() {
    ERect* rect = nullptr;
    Dispatch(effEditGetRect, 0, 0, &rect);
    if (rect == nullptr) return;
    // The frame around a client area of exactly the editor's size.
    RECT outer = {0, 0, rect->right - rect->left, rect->bottom - rect->top};
    ::AdjustWindowRectEx(&outer, CMainFrame::kStyle, TRUE, 0);
    auto* frame = static_cast<CFrameWnd*>(AfxGetApp()->m_pMainWnd);
    if (frame != nullptr) frame->SetSize(outer.right - outer.left, outer.bottom - outer.top);
}

void CShellView::RestoreChunk() {
    const int32_t size = m_ini.GetInt(kChunkSection, "size", 0);
    // A hand-edited or cut file: only a block whose length is the stored
    // size, and no larger than a plug-in takes, is passed on. One byte more
    // than the size is read, so a longer block shows itself.
    if (size < 1 || size > kMaxKeptChunk) return;
    const size_t room = static_cast<size_t>(size) + 1;
    std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[room]());
    if (chunk == nullptr) return;
    if (m_ini.GetBinary(kChunkSection, "data", room, chunk.get()) != static_cast<size_t>(size)) return;
    Dispatch(effSetChunk, 0, size, chunk.get());
}

void CShellView::OnSettings() {
    const int32_t rate = m_ini.GetInt(kDevice, "samplerate", 0);
    for (int32_t i = 0; i < 3; ++i)
        if (rate == COptDlg::kRates[i]) m_optDlg.rateSel = i;
    m_optDlg.asioSel = m_ini.GetInt(kDevice, "asio", 0) + 1;
    m_optDlg.midiSel = m_ini.GetInt(kDevice, "midi", 0) + 1;
    m_optDlg.saveLast = m_ini.GetBool(kDevice, "autosave") ? 1 : 0;
    if (m_optDlg.DoModal() != IDOK) return;

    autoSave = m_optDlg.saveLast != 0;
    asioIndex = m_optDlg.asioSel - 1;
    midiIndex = m_optDlg.midiSel - 1;
    sampleRate = COptDlg::kRates[m_optDlg.rateSel >= 0 && m_optDlg.rateSel < 3 ? m_optDlg.rateSel : 0];
    m_ini.WriteInt(kDevice, "asio", asioIndex);
    m_ini.WriteInt(kDevice, "midi", midiIndex);
    m_ini.WriteInt(kDevice, "samplerate", sampleRate);
    m_ini.WriteInt(kDevice, "autosave", autoSave ? 1 : 0);
    StartDevices();
}

void CShellView::StartDevices() {
    if (asioIndex >= 0) {
        m_asio.Stop();
        if (!m_asio.InitDriver(asioIndex, this))
            AfxMessageBox("ASIO error", MB_OK);
        else if (!m_asio.SetSampleRate(static_cast<float>(sampleRate)))
            AfxMessageBox("SampleRate set error", MB_OK);
        else {
            // The driver is stopped: the plug-in follows its new rate before
            // the first block at that rate.
            if (pluginOpen_.load() && pluginRate_ != sampleRate) RetunePlugin();
            if (!m_asio.Start()) AfxMessageBox("ASIO Start error", MB_OK);
        }
    }
    StartMidi();
}

void CShellView::RetunePlugin() {
    // The render path sees the plug-in closed, and a block that was already
    // under way ends first: nothing renders it while it is suspended.
    pluginOpen_ = false;
    { CSingleLock drained(m_asio.lock); }
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(effSetBlockSize, 0, kRenderFrames);
    Dispatch(effMainsChanged, 0, 1);
    pluginRate_ = sampleRate;
    pluginOpen_ = true;
}

void CShellView::StartMidi() {
    if (midiIndex < 0) return;
    try {
        m_midiIn.Close();
        m_midiIn.Open(static_cast<UINT>(midiIndex));
        m_midiIn.StartRecording();
    } catch (const midi::CMIDIInException& failure) {
        ReportMidiFailure(failure);
    }
}

int32_t CShellView::RenderAudio(float** inputs, float** outputs, int32_t numInputs, int32_t numOutputs,
                                int32_t frames, int32_t, void* user) {
    auto* view = static_cast<CShellView*>(user);
    if (view != nullptr && view->pluginOpen_.load() && view->m_vst.loaded.load() != 0 && frames <= kRenderFrames) {
        for (int32_t i = 0; i < kRenderChannels; ++i)
            view->inputPointers_[i] = i < numInputs ? inputs[i] : view->silentInput_.data();
        view->ProcessPlugin(view->inputPointers_, frames, outputs, numOutputs);
        return 1;
    }
    for (int32_t i = 0; i < numOutputs; ++i) std::memset(outputs[i], 0, sizeof(float) * static_cast<size_t>(frames));
    return 1;
}

void CShellView::ProcessPlugin(float** inputs, int32_t frames, float** outputs, int32_t numOutputs) {
    if (m_vst.canReplacing)
        m_vst.ProcessReplacing(inputs, renderBuffers, frames);
    else
        m_vst.Process(inputs, renderBuffers, frames);
    const size_t bytes = sizeof(float) * static_cast<size_t>(frames);
    for (int32_t i = 0; i < numOutputs && i < kRenderChannels; ++i) {
        std::memcpy(outputs[i], renderBuffers[i], bytes);
        // A plug-in that adds into its outputs starts the next block from silence.
        std::memset(renderBuffers[i], 0, bytes);
    }
}

void CShellView::ReceiveMsg(uint32_t message, uint32_t timestamp) {
    if (m_vst.loaded.load() == 0) return;
    m_vst.AddMidiEvent(timestamp, static_cast<uint8_t>(message & 0xFF), static_cast<uint8_t>((message >> 8) & 0xFF),
                       static_cast<uint8_t>((message >> 16) & 0xFF), static_cast<float>(sampleRate));
}

void CShellView::ReceiveMsg(char*, uint32_t, uint32_t) {}
void CShellView::OnError(char*, uint32_t, uint32_t) {}
void CShellView::OnError(uint32_t, uint32_t) {}

void CShellView::SaveChunk(bool tell) {
    // Once, at the close or else at the end.
    if (!autoSave || m_vst.loaded.load() == 0 || stateSaved_) return;
    stateSaved_ = true;
    void* chunk = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, 0, 0, &chunk);
    // A plug-in that returns no state leaves the saved one as it was.
    if (size <= 0 || chunk == nullptr) return;
    if (size > kMaxKeptChunk) {
        // It could never be restored: the state saved before stays, and the
        // user hears of it once, not at every end until a state fits again.
        if (!tell || m_ini.GetInt(kChunkSection, kTooLargeKey, 0) != 0) return;
        const int32_t kept = m_ini.GetInt(kChunkSection, "size", 0);
        std::string text = "The plug-in's state is too large to be kept (" + std::to_string(size) +
                           " bytes; at most " + std::to_string(kMaxKeptChunk) +
                           " can be), so it will not be restored next time.";
        if (kept >= 1 && kept <= kMaxKeptChunk) text += " The state saved before stays and will be restored instead.";
        AfxMessageBox(text.c_str(), MB_OK);
        m_ini.WriteInt(kChunkSection, kTooLargeKey, 1);
        return;
    }
    ::WritePrivateProfileStringA(kChunkSection, nullptr, nullptr, m_ini.GetPath());
    m_ini.WriteInt(kChunkSection, "size", static_cast<int>(size));
    m_ini.WriteBinary(kChunkSection, "data", static_cast<size_t>(size), chunk);
}

void CShellView::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    SaveChunk(false);
    m_asio.Stop();
    try {
        m_midiIn.Close();
    } catch (const midi::CMIDIInException& failure) {
        ReportMidiFailure(failure);
    }
    if (m_vst.loaded.load() != 0) {
        if (pluginOpen_.load() && m_vst.hasEditor) Dispatch(effEditClose);
        pluginOpen_ = false;
        m_vst.Unload();
    }
    for (float*& buffer : renderBuffers) buffer = nullptr;
    std::vector<float>().swap(renderStore);
}

bool CShellView::OnCommand(UINT id, UINT) {
    if (id != ID_SETTINGS) return false;
    OnSettings();
    return true;
}

LRESULT CShellView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kResetMessage:
        // The driver asked from its own thread; it is stopped and set up
        // again from here.
        if (m_asio.HandleResetRequest()) StartDevices();
        return 0;
    case CMainFrame::kClosingMessage:
        // The window still stands and its messages run: the state is saved
        // here, where a message about it can be shown.
        SaveChunk(true);
        return 0;
    case WM_DESTROY:
        // While the editor's window still stands, so the plug-in closes its
        // own editor rather than finding it gone.
        Shutdown();
        break;
    default:
        break;
    }
    return CView::WindowProc(message, wParam, lParam);
}

void CShellView::OnDraw(HDC) {}
