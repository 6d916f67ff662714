// The converter's front end run as the user runs it: SF2KSS.exe from a
// folder whose name has spaces, its dialog driven from outside, its file
// dialog, folder picker and message boxes answered by threads of the test.
#include "FrontEndRig.h"

#include "SF2KSSApp.h"
#include "SF2KSSDlg.h"

#include "DialogFinder.h"
#include "EngineRig.h"
#include "MessageBoxAnswerer.h"
#include "Signal.h"
#include "SoundFontWriter.h"
#include "TempFolder.h"
#include "WideText.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr double kPi = 3.14159265358979323846;

constexpr wchar_t kNoSoundFont[] = L"Can not find the sf2 file";
constexpr wchar_t kNoConverter[] = L"Can not find converter, please reinstall korvo sampler";
constexpr wchar_t kProgramFolderTooLong[] =
    L"The program's folder path is too long to start the converter, please reinstall korvo sampler in a shorter one";
constexpr wchar_t kPathsTooLong[] =
    L"The paths are too long for the converter, please choose a shorter output folder or sf2 file name";
constexpr wchar_t kNotConverted[] =
    L"The conversion failed and no project was written, please check the sf2 file and the output folder";

std::vector<int16_t> Sine(int frames, double hz, int rate) {
    std::vector<int16_t> v;
    for (int i = 0; i < frames; ++i)
        v.push_back(static_cast<int16_t>(std::lround(16000.0 * std::sin(2 * kPi * hz * i / rate))));
    return v;
}

// Two instruments: a mono sine at 441 Hz on key 69, and a stereo pair.
Bytes TwoInstrumentBank() {
    SoundFontWriter w;
    w.AddSample("Sine", Sine(20000, 441.0, 44100), 69, 0, 20000);
    const int pair = w.AddStereoPair("Pad", Sine(8000, 220.5, 44100), Sine(8000, 330.75, 44100), 57);
    w.AddInstrument("Sine", {{{53, 0}}});
    w.AddInstrument("Pad", {{{53, static_cast<int16_t>(pair)}}, {{53, static_cast<int16_t>(pair + 1)}}});
    return w.Build();
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsEmptyFolder(const std::wstring& path) {
    std::error_code ec;
    return fs::is_empty(fs::path(path), ec) && !ec;
}

// Whether the window's thread takes a message within the time.
bool Answers(HWND window, UINT timeoutMs) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &result) != 0;
}

RECT ChildRect(HWND parent, HWND child) {
    RECT r = {};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// A child of the dialog by its class and text (the labels have no id).
HWND ChildWithText(HWND dialog, const std::wstring& className, const std::wstring& text) {
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        if (lstrcmpiW(ClassOf(child).c_str(), className.c_str()) == 0 && WindowText(child) == text) return child;
    return nullptr;
}

class FrontEndTest : public ::testing::Test {
protected:
    GdiplusSession gdiplus;
    TempFolder temp;
    std::wstring Install() const { return temp.Path() + L"\\Korvo Sampler Tools"; }
};

TEST_F(FrontEndTest, ShowsItsFieldsAndButtonsAndEndsWithClose) {
    FrontEnd program(Install(), ConverterProgram());
    ASSERT_TRUE(program.Shown()) << program.Failure();
    HWND dialog = program.Dialog();
    EXPECT_EQ(program.Caption(), FrontEnd::kCaption);

    // The layout in dialog units, measured against the dialog's client
    // area of 231 x 65 units.
    RECT client = {};
    ::GetClientRect(dialog, &client);
    const double ux = client.right / 231.0, uy = client.bottom / 65.0;
    struct Control {
        int id;   // 0: a label, found by its text
        const wchar_t* className;
        const wchar_t* text;
        int x, y, w, h;
        bool isDefault;
    } controls[] = {
        {0, L"Static", L"SoundFont:", 7, 10, 40, 13, false},
        {0, L"Static", L"Output Dir:", 8, 25, 40, 13, false},
        {1001, L"Static", L"*.sf2", 48, 10, 157, 13, false},
        {1002, L"Static", L"C:\\", 48, 25, 156, 13, false},
        {1003, L"Button", L"...", 210, 7, 14, 13, false},
        {1004, L"Button", L"...", 210, 23, 14, 13, false},
        {1005, L"Button", L"Convert", 119, 42, 48, 16, false},
        {IDOK, L"Button", L"Close", 174, 42, 50, 16, true},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(testing::Message() << c.id << " " << testing::PrintToString(std::wstring(c.text)));
        HWND control = c.id != 0 ? ::GetDlgItem(dialog, c.id) : ChildWithText(dialog, c.className, c.text);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(WindowText(control), c.text);
        EXPECT_TRUE(lstrcmpiW(ClassOf(control).c_str(), c.className) == 0) << testing::PrintToString(ClassOf(control));
        const RECT r = ChildRect(dialog, control);
        EXPECT_NEAR(r.left, c.x * ux, 1.5);
        EXPECT_NEAR(r.top, c.y * uy, 1.5);
        EXPECT_NEAR(r.right - r.left, c.w * ux, 1.5);
        EXPECT_NEAR(r.bottom - r.top, c.h * uy, 1.5);
        if (lstrcmpW(c.className, L"Button") == 0) {
            const LONG type = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
            EXPECT_EQ(type, c.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        }
    }

    EXPECT_EQ(program.Close(), 0);
    EXPECT_FALSE(::IsWindow(dialog));
}

// Inside the test program, which carries the program's resources: icon
// 129, in its three sizes, is the dialog's big and small icon and the one
// the system drags (the system answers such questions across programs
// with nothing).
TEST(SF2KSSDlgTest, ItsIconIsTheWindowsBigAndSmallIconAndTheOneDragged) {
    HRSRC group = ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME), MAKEINTRESOURCEW(14));   // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* directory = static_cast<const WORD*>(::LockResource(::LoadResource(nullptr, group)));
    ASSERT_NE(directory, nullptr);
    EXPECT_EQ(directory[2], 3) << "16, 32 and 48 pixels";

    CSF2KSSApp app;
    CSF2KSSDlg dialog;
    ASSERT_TRUE(dialog.Create(CSF2KSSDlg::IDD, nullptr));
    HWND window = dialog.GetSafeHwnd();
    const LRESULT big = ::SendMessageW(window, WM_GETICON, ICON_BIG, 0);
    EXPECT_EQ(big, reinterpret_cast<LRESULT>(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))));
    EXPECT_EQ(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0), big);
    EXPECT_EQ(::SendMessageW(window, WM_QUERYDRAGICON, 0, 0), big);
    dialog.DestroyWindow();
}

// The names of the folders and the bank: with spaces, and in scripts the
// system's western code page (1252 in the test prefix) does not hold, or
// holds at other values (the en dash).
struct NamedPaths {
    const char* what;
    const wchar_t* banks;
    const wchar_t* bank;      // its project: the same name, .kss
    const wchar_t* output;
};
constexpr NamedPaths kWithSpaces = {"with spaces", L"My Sound Fonts", L"Grand Piano", L"Converted Banks"};
constexpr NamedPaths kCyrillicAndChinese = {"Cyrillic and Chinese", L"Банк звуков", L"钢琴", L"Выход 输出"};
constexpr NamedPaths kWesternWithEnDashes = {"western with en dashes", L"Klänge – Sammlung", L"Flügel – hell",
                                             L"Ausgabe – fertig"};
void PrintTo(const NamedPaths& names, std::ostream* os) { *os << names.what; }

class NamedPathsTest : public FrontEndTest, public ::testing::WithParamInterface<NamedPaths> {};

TEST_P(NamedPathsTest, ConvertsABankIntoAnOutputFolderThatLoadsAndPlays) {
    EXPECT_EQ(::GetACP(), 1252u) << "the western code page";
    const NamedPaths& names = GetParam();
    const std::wstring banks = temp.Path() + L"\\" + names.banks;
    const std::wstring bank = banks + L"\\" + names.bank + L".sf2";
    const std::wstring output = temp.Path() + L"\\" + names.output;
    ASSERT_TRUE(MakeFolders(banks) && MakeFolders(output));
    ASSERT_TRUE(WriteBytes(bank, TwoInstrumentBank()));

    FrontEnd program(Install(), ConverterProgram());
    ASSERT_TRUE(program.Shown()) << program.Failure();
    MessageBoxAnswerer boxes(FrontEnd::kBoxCaption, IDOK, program.ProcessId());
    ASSERT_TRUE(program.ChooseSoundFont(bank));
    EXPECT_TRUE(SamePath(program.Text(1001), bank)) << testing::PrintToString(program.Text(1001));

    const PickerSeen first = program.ChooseOutputFolder(output);
    ASSERT_TRUE(first.found);
    EXPECT_NE(first.startLabel.find(L"C:"), std::wstring::npos) << "opened at C:\\, the field's text: "
                                                                 << testing::PrintToString(first.startLabel);
    EXPECT_EQ(first.chosenLabel, names.output);
    EXPECT_TRUE(SamePath(program.Text(1002), output)) << testing::PrintToString(program.Text(1002));
    // Opened again, the picker starts at the folder now in the field.
    const PickerSeen again = program.ChooseOutputFolder(output);
    EXPECT_EQ(again.startLabel, names.output);
    EXPECT_TRUE(SamePath(program.Text(1002), output));

    program.Press(1005);
    ASSERT_TRUE(program.WaitForCaption(L"Done", 60000)) << testing::PrintToString(program.Caption());
    EXPECT_TRUE(boxes.Texts().empty());
    for (const wchar_t* wave : {L"0.wav", L"1.wav", L"2.wav"})
        EXPECT_TRUE(Exists(output + L"\\samples\\" + wave)) << testing::PrintToString(std::wstring(wave));
    const std::wstring project = output + L"\\" + names.bank + L".kss";
    ASSERT_TRUE(Exists(project));

    // The project loads with its samples from beside it, and its first
    // instrument plays the sine at its own pitch on key 69.
    EngineRig rig;
    KFileJob job;
    job.folderPrompt = [](void*, const wchar_t*, wchar_t*, size_t) {
        ADD_FAILURE() << "the samples are beside the project";
        return false;
    };
    ASSERT_TRUE(rig.engine.LoadFile(project.c_str(), job, false));
    ASSERT_EQ(rig.engine.instrumentCount, 2);
    EXPECT_EQ(rig.engine.instruments[0]->zoneCount, 1);
    EXPECT_EQ(rig.engine.instruments[1]->zoneCount, 1) << "a stereo pair is one zone";
    rig.Queue(0x90, 69, 127);
    std::vector<float> left;
    for (int b = 0; b < 16; ++b) {
        ASSERT_TRUE(rig.Render(512));
        left.insert(left.end(), rig.outputs[0].begin(), rig.outputs[0].end());
    }
    EXPECT_NEAR(ZeroCrossingFrequency(left, 4096, 44100), 441.0, 1.0);

    EXPECT_EQ(program.Close(), 0);
}

INSTANTIATE_TEST_SUITE_P(Names, NamedPathsTest, ::testing::Values(kWithSpaces, kCyrillicAndChinese, kWesternWithEnDashes),
                         [](const ::testing::TestParamInfo<NamedPaths>& info) {
                             std::string name;
                             for (const char* p = info.param.what; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             return name;
                         });

// The converter ends with 0 whatever happened: a conversion that wrote no
// project (a file that is no bank, a project that cannot be created, a
// project left from before that was not written again) says so in a box of
// the dialog's own, and the dialog converts again after it.
TEST_F(FrontEndTest, SaysWhenAConversionWroteNoProjectAndConvertsAgainAfter) {
    const std::wstring output = temp.Path() + L"\\Out Dir";
    ASSERT_TRUE(MakeFolders(output));
    SoundFontWriter writer;
    writer.AddSample("Sine", Sine(2000, 441.0, 44100), 69);
    writer.AddInstrument("Sine", {{{53, 0}}});
    const Bytes good = writer.Build();
    const Bytes noBank = {'n', 'o', ' ', 'b', 'a', 'n', 'k'};
    // A folder where the project of "Organ.sf2" would be.
    ASSERT_TRUE(MakeFolders(output + L"\\Organ.kss"));

    FrontEnd program(Install(), ConverterProgram());
    ASSERT_TRUE(program.Shown()) << program.Failure();
    MessageBoxAnswerer boxes(FrontEnd::kBoxCaption, IDOK, program.ProcessId());
    ASSERT_TRUE(program.ChooseOutputFolder(output).found);
    ASSERT_TRUE(SamePath(program.Text(1002), output));
    struct Step {
        const char* what;
        const wchar_t* bank;
        const Bytes* bytes;
        bool converted;
    } steps[] = {
        {"a file that is no bank", L"Piano", &noBank, false},
        {"a good bank", L"Piano", &good, true},
        {"no bank again, its project left from before", L"Piano", &noBank, false},
        {"a project that cannot be created", L"Organ", &good, false},
        {"the good bank again, over its project", L"Piano", &good, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const std::wstring bank = temp.Path() + L"\\" + step.bank + L".sf2";
        ASSERT_TRUE(WriteBytes(bank, *step.bytes));
        if (!SamePath(program.Text(1001), bank)) {
            ASSERT_TRUE(program.ChooseSoundFont(bank));
        }
        const std::wstring project = output + L"\\" + step.bank + L".kss";
        const Bytes before = ReadBytes(project);
        const size_t boxesBefore = boxes.Texts().size();

        program.Press(1005);
        if (step.converted) {
            EXPECT_TRUE(program.WaitForCaption(L"Done", 60000)) << testing::PrintToString(program.Caption());
            EXPECT_EQ(boxes.Texts().size(), boxesBefore);
            EXPECT_FALSE(ReadBytes(project).empty());
            continue;
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (boxes.Texts().size() == boxesBefore && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::vector<MessageBoxAnswerer::Box> answered = boxes.Answered();
        ASSERT_EQ(answered.size(), boxesBefore + 1);
        EXPECT_EQ(answered.back().text, kNotConverted);
        EXPECT_TRUE(answered.back().hasOwner) << "the box belongs to the dialog";
        EXPECT_TRUE(program.WaitUntilNoBox(10000));
        EXPECT_EQ(program.Caption(), FrontEnd::kCaption) << "not \"Done\"";
        EXPECT_EQ(ReadBytes(project), before) << "nothing written over it";
    }
    EXPECT_TRUE(Exists(output + L"\\samples\\0.wav")) << "the good bank's";
    EXPECT_EQ(program.Close(), 0);
}

class Screenshots : public FrontEndTest {};

// The dialog with its frame and caption as the screen shows them, a bank
// and an output folder chosen, named in Cyrillic and Chinese.
TEST_F(Screenshots, TheFrontEndWithASoundFontAndAnOutputFolderChosen) {
    const std::wstring banks = temp.Path() + L"\\" + kCyrillicAndChinese.banks;
    const std::wstring bank = banks + L"\\" + kCyrillicAndChinese.bank + L".sf2";
    const std::wstring output = temp.Path() + L"\\" + kCyrillicAndChinese.output;
    ASSERT_TRUE(MakeFolders(banks) && MakeFolders(output));
    ASSERT_TRUE(WriteBytes(bank, TwoInstrumentBank()));
    FrontEnd program(Install(), ConverterProgram());
    ASSERT_TRUE(program.Shown()) << program.Failure();
    ASSERT_TRUE(program.ChooseSoundFont(bank));
    ASSERT_TRUE(program.ChooseOutputFolder(output).found);

    HWND dialog = program.Dialog();
    ASSERT_TRUE(CaptureWholeWindow(dialog).SavePng(ScreenshotPath(L"sf2kss-dialog")));
    Gdiplus::Bitmap saved(ScreenshotPath(L"sf2kss-dialog").c_str());
    RECT frame = {};
    ::GetWindowRect(dialog, &frame);
    EXPECT_EQ(static_cast<LONG>(saved.GetWidth()), frame.right - frame.left);
    EXPECT_EQ(static_cast<LONG>(saved.GetHeight()), frame.bottom - frame.top);
    // Below the labels, left of the buttons: the dialog's face.
    RECT client = {};
    ::GetClientRect(dialog, &client);
    POINT corner = {4, client.bottom - 4};
    ::ClientToScreen(dialog, &corner);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(CaptureBitmap(&saved).Rgb(corner.x - frame.left, corner.y - frame.top),
              static_cast<uint32_t>(GetRValue(face)) << 16 | GetGValue(face) << 8 | GetBValue(face));
    EXPECT_EQ(program.Close(), 0);
}

// The box that says a conversion wrote no project, in front of the dialog.
TEST_F(Screenshots, TheFrontEndSayingAConversionWroteNoProject) {
    const std::wstring bank = temp.Path() + L"\\No Bank.sf2";
    const std::wstring output = temp.Path() + L"\\Converted Banks";
    ASSERT_TRUE(MakeFolders(output));
    ASSERT_TRUE(WriteBytes(bank, Bytes{'n', 'o', ' ', 'b', 'a', 'n', 'k'}));
    FrontEnd program(Install(), ConverterProgram());
    ASSERT_TRUE(program.Shown()) << program.Failure();
    ASSERT_TRUE(program.ChooseSoundFont(bank));
    ASSERT_TRUE(program.ChooseOutputFolder(output).found);

    program.Press(1005);
    HWND box = WaitForDialog(FrontEnd::kBoxCaption, 60000, program.ProcessId());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(::GetWindow(box, GW_OWNER), program.Dialog());
    ASSERT_TRUE(Answers(box, 5000));
    ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ASSERT_TRUE(CaptureWholeWindow(box).SavePng(ScreenshotPath(L"sf2kss-not-converted")));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(program.WaitUntilNoBox(10000));
    EXPECT_EQ(program.Caption(), FrontEnd::kCaption);
    EXPECT_EQ(program.Close(), 0);
}

// Each refusal tells why and starts nothing; the longest paths that fit
// convert.
TEST_F(FrontEndTest, RefusesWhatItCanNotConvertAndConvertsUpToTheLimits) {
    enum class Bank { kInitial, kChosen, kDeleted };
    struct Case {
        const char* what;
        Bank bank;
        bool converter;
        size_t installLength;   // 0: the usual folder
        size_t outputLength;    // 0: a short folder
        size_t projectLength;   // 0: "Piano.kss" in the output folder
        const wchar_t* message; // null: converted
    };
    // The temporary folder's path is well below every limit here.
    ASSERT_LT(temp.Path().size(), 120u);
    const Case cases[] = {
        {"the initial *.sf2", Bank::kInitial, true, 0, 0, 0, kNoSoundFont},
        {"a bank gone after it was chosen", Bank::kDeleted, true, 0, 0, 0, kNoSoundFont},
        {"no converter beside the program", Bank::kChosen, false, 0, 0, 0, kNoConverter},
        {"the longest output folder", Bank::kChosen, true, 0, 237, 0, nullptr},
        {"an output folder one longer", Bank::kChosen, true, 0, 238, 0, kPathsTooLong},
        {"the longest project path", Bank::kChosen, true, 0, 0, 255, nullptr},
        {"a project path one longer", Bank::kChosen, true, 0, 0, 256, kPathsTooLong},
        {"the longest program folder", Bank::kChosen, true, 245, 0, 0, nullptr},
        {"a program folder one longer", Bank::kChosen, true, 246, 0, 0, kProgramFolderTooLong},
    };
    SoundFontWriter writer;
    writer.AddSample("Sine", Sine(2000, 441.0, 44100), 69);
    writer.AddInstrument("Sine", {{{53, 0}}});
    const Bytes bytes = writer.Build();
    int serial = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring root = temp.Path() + L"\\" + std::to_wstring(serial++);
        ASSERT_TRUE(MakeFolders(root));
        const std::wstring install =
            c.installLength != 0 ? FolderOfLength(root + L"\\Korvo Sampler", c.installLength) : root + L"\\Korvo Sampler";
        ASSERT_TRUE(c.installLength == 0 || install.size() == c.installLength);
        const std::wstring output =
            c.outputLength != 0 ? FolderOfLength(root + L"\\Out Dir", c.outputLength) : root + L"\\Out Dir";
        ASSERT_TRUE(MakeFolders(output));
        ASSERT_TRUE(c.outputLength == 0 || output.size() == c.outputLength);
        // The project is named after the bank: <output>\<name>.kss.
        std::wstring name = L"Piano";
        if (c.projectLength != 0) name.resize(c.projectLength - output.size() - 1 - 4, L'o');
        const std::wstring bank = root + L"\\" + name + L".sf2";
        ASSERT_TRUE(WriteBytes(bank, bytes));

        FrontEnd program(install, c.converter ? ConverterProgram() : std::wstring());
        ASSERT_TRUE(program.Shown()) << program.Failure();
        MessageBoxAnswerer boxes(FrontEnd::kBoxCaption, IDOK, program.ProcessId());
        if (c.bank != Bank::kInitial) {
            ASSERT_TRUE(program.ChooseSoundFont(bank));
        }
        ASSERT_TRUE(program.ChooseOutputFolder(output).found);
        ASSERT_TRUE(SamePath(program.Text(1002), output)) << testing::PrintToString(program.Text(1002));
        if (c.bank == Bank::kDeleted) {
            ASSERT_TRUE(::DeleteFileW(bank.c_str()));
        }

        program.Press(1005);
        if (c.message == nullptr) {
            EXPECT_TRUE(program.WaitForCaption(L"Done", 60000)) << testing::PrintToString(program.Caption());
            EXPECT_TRUE(Exists(output + L"\\" + name + L".kss"));
            EXPECT_TRUE(Exists(output + L"\\samples\\0.wav"));
            EXPECT_TRUE(boxes.Texts().empty());
        } else {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (boxes.Texts().empty() && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{c.message});
            ASSERT_EQ(boxes.Answered().size(), 1u);
            EXPECT_TRUE(boxes.Answered()[0].hasOwner) << "the box belongs to the dialog";
            EXPECT_TRUE(program.WaitUntilNoBox(10000));
            EXPECT_EQ(program.Caption(), FrontEnd::kCaption) << "no conversion began";
            EXPECT_TRUE(IsEmptyFolder(output));
        }
        EXPECT_EQ(program.Close(), 0);
    }
}

// The converter as a stand-in that reports how it was started and ends
// only when the test lets it.
class StandIn {
public:
    explicit StandIn(const std::wstring& report) : report_(report) {
        const std::wstring name = L"korvo-standin-" + std::to_wstring(::GetCurrentProcessId());
        release_ = ::CreateEventW(nullptr, TRUE, FALSE, name.c_str());
        // The front end passes its environment on to the converter.
        ::SetEnvironmentVariableW(L"KORVO_STANDIN_REPORT", report.c_str());
        ::SetEnvironmentVariableW(L"KORVO_STANDIN_RELEASE", name.c_str());
    }
    ~StandIn() {
        Release();
        ::SetEnvironmentVariableW(L"KORVO_STANDIN_REPORT", nullptr);
        ::SetEnvironmentVariableW(L"KORVO_STANDIN_RELEASE", nullptr);
        ::CloseHandle(release_);
    }
    void Release() { ::SetEvent(release_); }
    // The lines of its report so far.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream in{fs::path(report_)};
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

private:
    std::wstring report_;
    HANDLE release_;
};

TEST_F(FrontEndTest, StartsTheConverterHiddenAndWaitsForItWithoutHandlingItsWindow) {
    const std::wstring banks = temp.Path() + L"\\Sound Fonts – Звуки";
    const std::wstring bank = banks + L"\\Grand Piano 钢琴.sf2";
    // The stand-in writes its project where the converter would.
    const std::wstring project = L"C:\\Grand Piano 钢琴.kss";
    ::DeleteFileW(project.c_str());
    ASSERT_TRUE(MakeFolders(banks));
    ASSERT_TRUE(WriteBytes(bank, TwoInstrumentBank()));
    StandIn converter(temp.Path() + L"\\report.txt");
    FrontEnd program(Install(), StandInConverterProgram());
    ASSERT_TRUE(program.Shown()) << program.Failure();
    ASSERT_TRUE(program.ChooseSoundFont(bank));

    program.Press(1005);
    ASSERT_TRUE(program.WaitForCaption(L"Converting...", 20000)) << testing::PrintToString(program.Caption());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (converter.Lines().size() < 6 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // The output folder C:\ reaches the converter as C:\, and the bank's
    // name in other scripts as it is (the report is UTF-8). (Its priority
    // class cannot be seen here: Wine starts every process at normal
    // priority, whatever the creation flags ask.)
    const std::wstring converterPath = Install() + L"\\patchfold.exe";
    const std::vector<std::string> expected = {"run", "3", WideToUtf8(converterPath.c_str()), WideToUtf8(bank.c_str()),
                                               "C:\\", std::to_string(SW_HIDE)};
    EXPECT_EQ(converter.Lines(), expected);

    // While the converter runs, the dialog takes no message: not even Close.
    EXPECT_FALSE(Answers(program.Dialog(), 1000));
    program.Press(IDOK);
    EXPECT_FALSE(program.Ended(1000));
    EXPECT_EQ(program.Caption(), L"Converting...");

    // Once it has ended the dialog is back, and the Close pressed meanwhile
    // takes effect.
    converter.Release();
    EXPECT_TRUE(program.Ended(20000));
    EXPECT_EQ(converter.Lines().size(), 6u) << "converted once";
    EXPECT_TRUE(Exists(project));
    ::DeleteFileW(project.c_str());
}

} // namespace
