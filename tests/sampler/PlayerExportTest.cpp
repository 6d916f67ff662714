// The export of a player set, run as a program without the dialog runs it:
// the set it writes, the names and codes it refuses, and every way it can
// fail, each leaving the folder as it was.
#include "PlayerExport.h"

#include "MessageBoxAnswerer.h"
#include "PluginHost.h"
#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::wstring BuiltPlayer() { return WinePath(KORVO_PLAYER_LIBRARY); }
const Bytes kHostProgram = {'M', 'Z', 'h', 'o', 's', 't'};

// Every file under a folder with its bytes, by path relative to it.
using Snapshot = std::map<std::wstring, Bytes>;
Snapshot Take(const std::wstring& folder) {
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(folder))) {
        const std::wstring relative = fs::relative(entry.path(), fs::path(folder)).wstring();
        files[relative] = entry.is_directory() ? Bytes{'/'} : ReadBytes(entry.path().wstring());
    }
    return files;
}

std::vector<std::wstring> Names(const Snapshot& files) {
    std::vector<std::wstring> names;
    for (const auto& file : files) names.push_back(file.first);
    return names;
}

void SetReadOnly(const std::wstring& path, bool on) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    ::SetFileAttributesW(path.c_str(), on ? attributes | FILE_ATTRIBUTE_READONLY
                                          : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// Cuts a file short while the engine holds it open (it shares writing, not
// deleting: on Windows an open sample cannot be deleted, only changed).
bool CutShort(const std::wstring& path, int64_t bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER at = {};
    at.QuadPart = bytes;
    const bool ok = ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    return ok;
}

struct Progress {
    KFileJob* job;
    std::vector<double> seen;
    static void Note(void* user, int) {
        auto* p = static_cast<Progress*>(user);
        p->seen.push_back(p->job->progress);
    }
};

// A library "Grand" with code "AbDe": two instruments over three WAVs, a
// logo, and an install folder holding the built player and a host program.
class PlayerExport : public ::testing::Test {
protected:
    void SetUp() override {
        install = temp.File(L"install");
        out = temp.File(L"out");
        ASSERT_TRUE(CreateFolder(install.c_str()));
        ASSERT_TRUE(CreateFolder(out.c_str()));
        ASSERT_TRUE(CopyFileOver(BuiltPlayer().c_str(), (install + L"\\ksplayer.bin").c_str()));
        ASSERT_TRUE(WriteBytes(install + L"\\korvosampler.exe", kHostProgram));
        for (int i = 0; i < 3; ++i) {
            wavs.push_back(temp.File(L"s" + std::to_wstring(i) + L".wav"));
            ASSERT_TRUE(WriteBytes(wavs.back(), WavWriter(1, 16).Generate(3000 + 1000 * i, [i](int64_t f, int) {
                return static_cast<int32_t>((f % (50 + 10 * i)) < 25 ? 9000 : -9000);
            }).Build()));
        }
        logo = temp.File(L"logo.png");
        ASSERT_TRUE(WriteBytes(logo, {0x89, 'P', 'N', 'G'}));
        CopyWide(engine.libraryName, L"Grand");
        std::memcpy(engine.uniqueId, "AbDe", 5);
        CopyWide(engine.logoPicture, logo.c_str());
        CopyWide(engine.backgroundPicture, temp.File(L"gone.png").c_str()); // set, but not there
        KInstrument& a = *engine.instruments[engine.AddInstrument(1, 0)];
        ASSERT_EQ(a.AddZone(wavs[0].c_str(), 60, 0, 127, 63, 1, 1, nullptr, 0), 0);
        ASSERT_EQ(a.AddZone(wavs[1].c_str(), 72, 64, 127, 127, 1, 1, nullptr, 0), 1);
        KInstrument& b = *engine.instruments[engine.AddInstrument(2, 1)];
        ASSERT_EQ(b.AddZone(wavs[2].c_str(), 48, 0, 127, 127, 1, 1, nullptr, 0), 0);
    }
    void TearDown() override {
        // Read-only files would outlive the temporary folder.
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(temp.Path())))
            SetReadOnly(entry.path().wstring(), false);
    }

    KExportResult Export(const std::wstring& into) {
        KFileJob job;
        return ExportPlayerFolder(engine, into.c_str(), install.c_str(), job);
    }
    KExportResult Export() { return Export(out); }

    TempFolder temp;
    std::wstring install, out, logo;
    std::vector<std::wstring> wavs;
    KSamplerEngine engine;
};

TEST_F(PlayerExport, WritesTheSetWithTheCodeStampedAndNothingElseLeftBehind) {
    KFileJob job;
    Progress progress{&job, {}};
    job.progressCallback = Progress::Note;
    job.progressUser = &progress;
    const KExportResult result = ExportPlayerFolder(engine, (out + L"\\").c_str(), install.c_str(), job);
    ASSERT_TRUE(result.ok) << std::string(result.message.begin(), result.message.end());
    EXPECT_TRUE(result.message.empty());
    EXPECT_EQ(result.playerLibrary, out + L"\\Grand.dll");
    EXPECT_EQ(result.bank, out + L"\\Grand\\Grand.ksb");

    const Snapshot set = Take(out);
    const std::vector<std::wstring> expected = {L"Grand", L"Grand.dll", L"Grand.exe", L"Grand\\Grand.ksb",
                                                L"Grand\\logo.png"};
    EXPECT_EQ(Names(set), expected) << "no temporary file stays; a picture that is not there is left out";
    const Bytes player = ReadBytes(BuiltPlayer());
    const Bytes& copy = set.at(L"Grand.dll");
    ASSERT_EQ(copy.size(), player.size());
    for (size_t i = 0; i < copy.size(); ++i) {
        if (i < 0x70 || i > 0x73) {
            ASSERT_EQ(copy[i], player[i]) << "only the stamp differs, not byte " << i;
        }
    }
    EXPECT_EQ(std::string(copy.begin() + 0x70, copy.begin() + 0x74), "AbDe");
    EXPECT_EQ(set.at(L"Grand.exe"), kHostProgram);
    EXPECT_EQ(set.at(L"Grand\\logo.png"), ReadBytes(logo));

    ASSERT_EQ(progress.seen.size(), 3u) << "once per zone";
    EXPECT_TRUE(std::is_sorted(progress.seen.begin(), progress.seen.end()));
    EXPECT_NEAR(progress.seen.back(), 1.0, 1e-9);

    {
        KSamplerEngine loaded;
        KFileJob read;
        ASSERT_TRUE(loaded.LoadFile(result.bank.c_str(), read, false, KSamplerEngine::Reader::Player));
        EXPECT_EQ(loaded.CountZones(), 3);
        EXPECT_EQ(std::memcmp(loaded.uniqueId, "AbDe", 4), 0);
        EXPECT_STREQ(loaded.libraryName, L"Grand");
        // Its zones read from the bank: while they do, it cannot be replaced.
        const KExportResult held = Export();
        EXPECT_FALSE(held.ok);
        EXPECT_NE(held.message.find(L"Grand.ksb\" cannot be replaced"), std::wstring::npos);
    }

    // Exported again over itself: everything replaced without a question.
    engine.instruments[1]->zones[0]->ampRelease = 77.0f;
    ASSERT_TRUE(Export().ok);
    EXPECT_EQ(Names(Take(out)), expected);
    EXPECT_NE(ReadBytes(result.bank), set.at(L"Grand\\Grand.ksb"));
}

TEST_F(PlayerExport, AChineseNameExportsAndItsPlayerPairsWithItsBank) {
    CopyWide(engine.libraryName, L"\u94A2\u7434"); // 钢琴
    const KExportResult result = Export();
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.playerLibrary, out + L"\\\u94A2\u7434.dll");
    MessageBoxAnswerer mismatch(L"Korvo Sampler Player");
    {
        PluginHost host(result.playerLibrary);
        ASSERT_NE(host.effect(), nullptr);
        host.Open();
        void* data = nullptr;
        ASSERT_EQ(host.Dispatch(effGetChunk, 0, 0, &data), 3712);
        const auto* records = static_cast<const uint8_t*>(data);
        EXPECT_EQ(records[0], 1) << "the first instrument, on channel 1, is loaded";
        EXPECT_EQ(records[232], 2) << "and the second, on channel 2";
        host.SendMidi({{0x91, 48, 120, 0}});
        host.Render(2048);
        EXPECT_GT(host.PairPeak(1), 0.1f) << "the second instrument sounds on its pair";
    }
    EXPECT_TRUE(mismatch.Texts().empty()) << "the player found its own bank";
}

TEST_F(PlayerExport, WithoutAnInstalledHostProgramTheSetHasNone) {
    ASSERT_TRUE(RemoveFile((install + L"\\korvosampler.exe").c_str()));
    ASSERT_TRUE(Export().ok);
    const std::vector<std::wstring> expected = {L"Grand", L"Grand.dll", L"Grand\\Grand.ksb", L"Grand\\logo.png"};
    EXPECT_EQ(Names(Take(out)), expected);
}

TEST_F(PlayerExport, AReadOnlyInstalledPlayerGivesAWritableCopy) {
    SetReadOnly(install + L"\\ksplayer.bin", true);
    ASSERT_TRUE(Export().ok);
    EXPECT_EQ(::GetFileAttributesW((out + L"\\Grand.dll").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    std::memcpy(engine.uniqueId, "Wxyz", 5);
    ASSERT_TRUE(Export().ok) << "and the next export replaces it";
    const Bytes copy = ReadBytes(out + L"\\Grand.dll");
    EXPECT_EQ(std::string(copy.begin() + 0x70, copy.begin() + 0x74), "Wxyz");
}

TEST_F(PlayerExport, ANameThatIsNoFileNameIsRefusedBeforeAnythingIsWritten) {
    const struct {
        const wchar_t* name;
        bool refused;
    } cases[] = {
        {L"", true},          {L"..\\x", true},   {L"a\\b", true},      {L"a/b", true},    {L":", true},
        {L"C:x", true},       {L"..", true},      {L".", true},         {L"what?", true},  {L"x*", true},
        {L"a\"b", true},      {L"a<b>", true},    {L"a|b", true},       {L"tab\there", true},
        {L"ends.", true},     {L"ends ", true},   {L"CON", true},       {L"con", true},    {L"NUL.txt", true},
        {L"Aux .x", true},    {L"COM1", true},    {L"lpt9", true},      {L"COM\u00B9", true},
        {L"CONIN$", true},    {L"Grand", false},  {L"Con Brio", false}, {L"COM10", false}, {L"Nullify", false},
        {L"a.b", false},      {L".hidden", false}, {L"\u94A2\u7434", false},
    };
    for (const auto& c : cases) {
        const std::wstring problem = LibraryNameProblem(c.name);
        EXPECT_EQ(!problem.empty(), c.refused) << std::wstring(c.name).size() << " " << fs::path(c.name).string();
        if (!c.refused) continue;
        CopyWide(engine.libraryName, c.name);
        const KExportResult result = Export();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, problem);
        EXPECT_TRUE(Take(temp.Path() + L"\\out").empty()) << "nothing written for " << fs::path(c.name).string();
        EXPECT_FALSE(fs::exists(fs::path(temp.Path()) / "x")) << "nor beside the folder";
    }
}

// Each failure, into an empty folder and over an earlier export: the folder
// is left as it was, with no player beside a bank it was not made with.
TEST_F(PlayerExport, AFailedExportLeavesTheFolderAsItWasAndSaysWhatFailed) {
    enum class Fault { CutSample, NoPlayer, ShortPlayer, ReadOnlyPlayerCopy, ReadOnlyBank, ReadOnlyHostCopy,
                       PlayerInUse, NoFolder, LongPath, BankUnwritable };
    const struct {
        const char* what;
        Fault fault;
        std::wstring told;   // a part of the message
        bool needsEarlier;   // the fault is in a file of an earlier export
    } cases[] = {
        {"a sample cut short since it was loaded", Fault::CutSample, L"s1.wav", false},
        {"no player installed", Fault::NoPlayer, L"ksplayer.bin\" is not installed", false},
        {"a player too short to take the stamp", Fault::ShortPlayer, L"is too short", false},
        {"a folder that does not exist", Fault::NoFolder, L"does not exist", false},
        {"a path too long", Fault::LongPath, L"is too long", false},
        {"a bank the writer cannot write", Fault::BankUnwritable, L"Grand.ksb\" cannot be written", false},
        {"a read-only player copy", Fault::ReadOnlyPlayerCopy, L"Grand.dll\" cannot be replaced", true},
        {"a read-only bank", Fault::ReadOnlyBank, L"Grand.ksb\" cannot be replaced", true},
        {"a read-only host copy", Fault::ReadOnlyHostCopy, L"Grand.exe\" cannot be replaced", true},
        {"the player set loaded by a host", Fault::PlayerInUse, L"\" cannot be replaced", true},
    };
    for (const bool earlier : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (earlier ? ", over an earlier export" : ", into an empty folder"));
            if (c.needsEarlier && !earlier) continue;
            TempFolder place;
            std::wstring into = place.Path();
            KSamplerEngine& e = engine;
            if (earlier) {
                std::memcpy(e.uniqueId, "Old1", 5);
                ASSERT_TRUE(Export(into).ok);
                std::memcpy(e.uniqueId, "AbDe", 5);
            }
            std::unique_ptr<PluginHost> user;
            const std::wstring player = install + L"\\ksplayer.bin";
            switch (c.fault) {
            case Fault::CutSample: ASSERT_TRUE(CutShort(wavs[1], 100)); break;
            case Fault::NoPlayer: ASSERT_TRUE(RemoveFile(player.c_str())); break;
            case Fault::ShortPlayer: ASSERT_TRUE(WriteBytes(player, Bytes(0x73, 'M'))); break;
            case Fault::ReadOnlyPlayerCopy: SetReadOnly(into + L"\\Grand.dll", true); break;
            case Fault::ReadOnlyBank: SetReadOnly(into + L"\\Grand\\Grand.ksb", true); break;
            case Fault::ReadOnlyHostCopy: SetReadOnly(into + L"\\Grand.exe", true); break;
            case Fault::PlayerInUse: user = std::make_unique<PluginHost>(into + L"\\Grand.dll"); break;
            case Fault::NoFolder: into += L"\\missing"; break;
            case Fault::LongPath: CopyWide(e.libraryName, std::wstring(120, L'n').c_str()); break;
            case Fault::BankUnwritable:
                // A folder where the writer's temporary file must go.
                fs::create_directories(fs::path(into) / L"Grand" / L"Grand.ksb.part.tmp");
                break;
            }
            const Snapshot before = Take(place.Path());
            const KExportResult result = Export(into);
            EXPECT_FALSE(result.ok);
            EXPECT_NE(result.message.find(c.told), std::wstring::npos) << fs::path(result.message).string();
            user.reset();
            EXPECT_EQ(Take(place.Path()), before);

            // Undo the fault for the next case.
            fs::remove(fs::path(place.Path()) / L"Grand" / L"Grand.ksb.part.tmp");
            for (const auto& entry : fs::recursive_directory_iterator(fs::path(place.Path())))
                SetReadOnly(entry.path().wstring(), false);
            ASSERT_TRUE(CopyFileOver(BuiltPlayer().c_str(), player.c_str()));
            CopyWide(e.libraryName, L"Grand");
            if (c.fault == Fault::CutSample) {
                ASSERT_TRUE(e.instruments[0]->DeleteZone(1));
                ASSERT_TRUE(WriteBytes(wavs[1], WavWriter(1, 16).Generate(4000, [](int64_t f, int) {
                    return static_cast<int32_t>(f % 60 < 30 ? 9000 : -9000);
                }).Build()));
                ASSERT_EQ(e.instruments[0]->AddZone(wavs[1].c_str(), 72, 64, 127, 127, 1, 1, nullptr, 0), 1);
            }
        }
    }
}

// Four bytes exactly, whatever the text: longer texts give their first four
// characters, shorter ones zeros after them, and a character that takes no
// single byte in the ANSI code page is refused.
TEST(LibraryCode, KeepsExactlyFourBytesOfOneCharacterEach) {
    const struct {
        std::wstring text;
        bool taken;
        std::string bytes;
    } cases[] = {
        {L"AbDe", true, "AbDe"},
        {L"Abcdef", true, "Abcd"},
        {L"Ab", true, std::string("Ab\0\0", 4)},
        {L"", true, std::string(4, '\0')},
        {L"abc\u4E2D", false, ""},       // 中 takes two bytes or none
        {L"\u4E2D\u6587ab", false, ""},
        {L"ab\U0001F3B9", false, ""},    // a surrogate pair
        {L"abcd\u4E2D", true, "abcd"},   // the fifth character is not read
    };
    for (const auto& c : cases) {
        char code[4] = {'x', 'x', 'x', 'x'};
        std::wstring problem;
        EXPECT_EQ(LibraryCodeFromText(c.text, code, problem), c.taken) << c.text.size();
        if (c.taken) {
            EXPECT_EQ(std::string(code, 4), c.bytes);
            EXPECT_TRUE(problem.empty());
        } else {
            EXPECT_EQ(std::string(code, 4), "xxxx") << "a refused text leaves the code";
            EXPECT_NE(problem.find(L"unique ID"), std::wstring::npos);
        }
    }
    EXPECT_EQ(LibraryCodeText("Krvs"), L"Krvs");
    EXPECT_EQ(LibraryCodeText(std::string("Ab\0\0", 4).c_str()), L"Ab");
    EXPECT_EQ(LibraryCodeText("Abcdefgh"), L"Abcd") << "never more than four";
}

} // namespace
