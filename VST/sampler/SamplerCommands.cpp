// The project commands: New, Open, Save, Save As, and one instrument's load
// and save, with their file dialogs and the folders "korvosampler.ini"
// remembers.
#include "SamplerGUI.h"

#include <commdlg.h>

#include <string>

namespace {

constexpr const wchar_t* kCaption = L"Korvo Sampler";
constexpr const wchar_t* kProjectFilter = L"Korvo Sampler Project(*.kss)\0*.kss\0";
constexpr const wchar_t* kInstrumentFilter = L"Korvo Sampler Instrument(*.kis)\0*.kis\0";

HCURSOR SystemCursor(LPSTR id) { return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)); }

// The wait cursor for the life of a long command.
class WaitCursor {
public:
    WaitCursor() { ::SetCursor(SystemCursor(IDC_WAIT)); }
    ~WaitCursor() { ::SetCursor(SystemCursor(IDC_ARROW)); }
};

std::wstring FolderOfFile(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool FileOpens(const wchar_t* path) {
    const HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

} // namespace

std::wstring KSamplerGUI::IniFolder(const wchar_t* key, const wchar_t* fallback) {
    wchar_t value[kIniReadChars] = {};
    // A value that does not fit is no folder to start in.
    if (ini.ReadString(L"path", key, fallback, value) >= static_cast<int>(kIniReadChars)) return {};
    return value;
}

bool KSamplerGUI::AskForFile(bool save, const wchar_t* filter, const wchar_t* title, const wchar_t* extension,
                             const std::wstring& startFolder, std::wstring& chosen) {
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    // Owned by the panel: the host's window stays disabled while it is up.
    dialog.hwndOwner = panel.window;
    dialog.hInstance = hInstance;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = extension;
    dialog.Flags = save ? OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT : OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    const HWND owner = panel.window;
    const BOOL ok = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
    // The editor may have been closed while the dialog was up.
    if (!ok || (owner != nullptr && !::IsWindow(owner))) return false;
    chosen = file;
    ini.WriteString(FolderOfFile(chosen).c_str(), L"path", L"file");
    return true;
}

void KSamplerGUI::ShowMessage(const wchar_t* text, UINT icon) { ::MessageBoxW(panel.window, text, kCaption, MB_OK | icon); }

bool KSamplerGUI::SaveBeforeLeaving() {
    if (!plugin->modified) return true;
    const int answer = ::MessageBoxW(panel.window, L"Do you want to save the current project?", L"Project Modified",
                                     MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    // "Yes" goes on only once the work is safe: a failed or cancelled save
    // keeps the project.
    return answer == IDNO || OnSaveProject();
}

void KSamplerGUI::OnNewProject() {
    if (!SaveBeforeLeaving()) return;
    RemoveAuditionZone();
    sampleList.SetItems(nullptr, 0);
    ClearInstrumentView();
    for (auto& slot : plugin->slotMap) slot = -1;
    plugin->NewProject();
    plugin->slotMap[0] = plugin->engine.AddInstrument(1, 0);
    CopyText(plugin->programName, sizeof plugin->programName, "default");
    plugin->setProgram(0);
    RefreshInstrumentList();
    RefreshInstrumentView();
    OnInstrumentListSelect();
}

void KSamplerGUI::OnOpenProject() {
    if (!SaveBeforeLeaving()) return;
    const std::wstring install = IniFolder(L"install", L"");
    const std::wstring fallback = install + L"\\Reedling";
    std::wstring path;
    if (!AskForFile(false, kProjectFilter, L"Open Korvo Sampler Project", L"kss",
                    IniFolder(L"file", fallback.size() < kIniReadChars ? fallback.c_str() : L""), path))
        return;
    WaitCursor wait;
    RemoveAuditionZone();
    zoneMap.instrument = nullptr;
    zoneMap.selectedZone = -1;
    zoneMap.Invalidate();
    ClearZoneView();
    LoadAndShow(path, false, L"Load Failed");
}

void KSamplerGUI::OnLoadInstrument() {
    std::wstring path;
    if (!AskForFile(false, kInstrumentFilter, L"Open Korvo Sampler Instrument", L"kis", IniFolder(L"file", L""), path))
        return;
    WaitCursor wait;
    LoadAndShow(path, true, L"Load Faied");
}

void KSamplerGUI::LoadAndShow(const std::wstring& path, bool keepProject, const wchar_t* failure) {
    if (!plugin->LoadProject(path.c_str(), 0, keepProject)) {
        // A project load that failed may have emptied the engine: the user
        // sees what is left before being told.
        ShowEngineSlots();
        if (!keepProject) ScanSampleFolder();
        ShowMessage(failure, MB_ICONERROR);
        return;
    }
    // A new project replaced every instrument, the audition's too.
    if (!keepProject) auditionZone = -1;
    for (int i = 0; i < kSlots; ++i) plugin->slotMap[i] = plugin->engine.instruments[i] != nullptr ? i : -1;
    RefreshInstrumentList();
    instrumentList.selectedIndex = 0;
    instrumentList.NotifyOwner();
    instrumentList.Invalidate();
    ScanSampleFolder();
}

void KSamplerGUI::ShowEngineSlots() {
    // A row keeps its instrument while the engine holds it (and no row above
    // names it too); an instrument no row names takes its own row when that
    // is free, else the first free one. 16 rows hold the 16 slots.
    KSamplerEngine& engine = plugin->engine;
    bool named[kSlots] = {};
    for (auto& row : plugin->slotMap) {
        const int32_t slot = row;
        if (slot >= 0 && slot < kSlots && engine.instruments[slot] != nullptr && !named[slot])
            named[slot] = true;
        else
            row = -1;
    }
    for (int slot = 0; slot < kSlots; ++slot) {
        if (engine.instruments[slot] == nullptr || named[slot]) continue;
        int row = plugin->slotMap[slot] < 0 ? slot : 0;
        while (row < kSlots && plugin->slotMap[row] >= 0) ++row;
        if (row < kSlots) plugin->slotMap[row] = slot;
    }
    RefreshInstrumentList();
    // The instrument shown keeps its selected zone while the engine keeps it.
    if (zoneMap.instrument == nullptr || zoneMap.instrument != CurrentInstrument()) OnInstrumentListSelect();
    instrumentList.Invalidate();
}

bool KSamplerGUI::OnSaveProject() {
    const wchar_t* project = plugin->engine.projectPath;
    if (project[0] == 0 || !FileOpens(project)) return OnSaveProjectAs();
    WaitCursor wait;
    const std::wstring path = project;
    return SaveTo(path, -1);
}

bool KSamplerGUI::OnSaveProjectAs() {
    std::wstring path;
    if (!AskForFile(true, kProjectFilter, L"Save Korvo Sampler Project", L"kss", IniFolder(L"file", L""), path))
        return false;
    WaitCursor wait;
    return SaveTo(path, -1);
}

void KSamplerGUI::OnSaveInstrument() {
    if (CurrentInstrument() == nullptr) return;
    const int engineSlot = plugin->slotMap[currentSlot];
    std::wstring path;
    if (!AskForFile(true, kInstrumentFilter, L"Save Korvo Sampler Instrument", L"kis", IniFolder(L"file", L""), path))
        return;
    WaitCursor wait;
    SaveTo(path, engineSlot);
}

bool KSamplerGUI::SaveTo(const std::wstring& path, int instrumentIndex) {
    if (plugin->SaveProject(path.c_str(), instrumentIndex)) return true;
    ShowMessage(L"Save Faied", MB_ICONERROR);
    return false;
}
