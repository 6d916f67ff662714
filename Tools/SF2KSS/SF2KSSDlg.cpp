#include "SF2KSSDlg.h"

#include "ConverterLaunch.h"
#include "FileDialog.h"
#include "FolderPicker.h"
#include "WinApp.h"

#include <cstdio>
#include <cwchar>

namespace {

constexpr wchar_t kNoSoundFont[] = L"Can not find the sf2 file";
constexpr wchar_t kNoConverter[] = L"Can not find converter, please reinstall korvo sampler";
constexpr wchar_t kProgramFolderTooLong[] =
    L"The program's folder path is too long to start the converter, please reinstall korvo sampler in a shorter one";
constexpr wchar_t kPathsTooLong[] =
    L"The paths are too long for the converter, please choose a shorter output folder or sf2 file name";
constexpr wchar_t kNotConverted[] =
    L"The conversion failed and no project was written, please check the sf2 file and the output folder";

void Tell(const wchar_t* text) { AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION); }

// The project file as it stands. The converter ends with 0 whatever
// happened: only its project tells whether it converted.
struct ProjectStamp {
    bool exists = false;
    FILETIME written = {};
    DWORD sizeHigh = 0, sizeLow = 0;
};

ProjectStamp StampOf(const std::wstring& path) {
    ProjectStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        stamp.exists = true;
        stamp.written = data.ftLastWriteTime;
        stamp.sizeHigh = data.nFileSizeHigh;
        stamp.sizeLow = data.nFileSizeLow;
    }
    return stamp;
}

// A project left from an earlier conversion is not one written now.
bool ProjectWritten(const ProjectStamp& before, const ProjectStamp& after) {
    if (!after.exists) return false;
    return !before.exists || ::CompareFileTime(&before.written, &after.written) != 0 ||
           before.sizeHigh != after.sizeHigh || before.sizeLow != after.sizeLow;
}

} // namespace

CSF2KSSDlg::CSF2KSSDlg(CWnd* parent)
    : CDialog(IDD, parent), m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

void CSF2KSSDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_SOUNDFONT, m_soundFont);
    DDX_Control(dx, IDC_OUTPUTDIR, m_outputDir);
}

BOOL CSF2KSSDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_caption = GetWindowText();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

bool CSF2KSSDlg::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_BROWSE_SOUNDFONT: OnBrowseSoundFont(); return true;
    case IDC_BROWSE_OUTPUTDIR: OnBrowseOutputDir(); return true;
    case IDC_CONVERT: OnConvert(); return true;
    default: return false;
    }
}

bool CSF2KSSDlg::DialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_PAINT && ::IsIconic(m_hWnd)) {
        OnPaint();
        result = 0;
        return true;
    }
    if (message == WM_QUERYDRAGICON) {
        result = reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        return true;
    }
    return CDialog::DialogMessage(message, wParam, lParam, result);
}

// Minimised, the dialog shows its icon centred.
void CSF2KSSDlg::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
}

HCURSOR CSF2KSSDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CSF2KSSDlg::OnBrowseSoundFont() {
    CFileDialog dialog(true, L"sf2", nullptr, OFN_HIDEREADONLY, L"SoundFont2(*.sf2)|*.sf2||", this);
    if (dialog.DoModal() == IDOK) m_soundFont.SetWindowText(dialog.GetPathName().c_str());
}

void CSF2KSSDlg::OnBrowseOutputDir() {
    wchar_t folder[MAX_PATH];
    const std::wstring start = m_outputDir.GetWindowText();
    if (BrowseForFolder(m_hWnd, start.c_str(), folder)) m_outputDir.SetWindowText(folder);
}

void CSF2KSSDlg::OnConvert() {
    const std::wstring soundFont = m_soundFont.GetWindowText();
    std::wstring output = m_outputDir.GetWindowText();
    FILE* file = ::_wfopen(soundFont.c_str(), L"rb");
    if (file == nullptr) {
        Tell(kNoSoundFont);
        return;
    }
    std::fclose(file);
    if (!output.empty() && output.back() == L'\\') output.pop_back();

    ConverterLaunch launch;
    switch (MakeConverterLaunch(AfxGetApp()->ProgramPath(), soundFont, output, launch)) {
    case LaunchCheck::kReady: break;
    case LaunchCheck::kProgramFolderTooLong: Tell(kProgramFolderTooLong); return;
    case LaunchCheck::kPathsTooLong: Tell(kPathsTooLong); return;
    }
    // The system may write into the command line it is given.
    wchar_t commandLine[kCommandChars];
    std::wcscpy(commandLine, launch.commandLine.c_str());

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    const ProjectStamp before = StampOf(launch.project);
    // Named as the application too: the system then never looks for a
    // program at each space of the folder's path.
    if (!::CreateProcessW(launch.application.c_str(), commandLine, nullptr, nullptr, TRUE, BELOW_NORMAL_PRIORITY_CLASS,
                          nullptr, nullptr, &startup, &process)) {
        Tell(kNoConverter);
        return;
    }
    // A conversion takes moments: the dialog waits for it without handling
    // its messages.
    SetWindowText(L"Converting...");
    ::WaitForSingleObject(process.hThread, INFINITE);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    if (!ProjectWritten(before, StampOf(launch.project))) {
        SetWindowText(m_caption.c_str());
        Tell(kNotConverted);
        return;
    }
    SetWindowText(L"Done");
}
