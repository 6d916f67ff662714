#include "ConverterRig.h"
#include "MalformedBanks.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

SoundFontWriter TwoSampleBank() {
    SoundFontWriter w;
    w.AddSample("A", std::vector<int16_t>(40, 1));
    w.AddSample("B", std::vector<int16_t>(30, 2));
    w.AddInstrument("Keys", {{{53, 0}}, {{53, 1}}});
    return w;
}

TEST(PatchfoldTest, TheBaseNameIsTheFileNameWithoutItsLastFourCharacters) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\banks\\Piano.sf2", L"Piano"},
        {L"Piano.sf2", L"Piano"},
        {L"C:\\x\\My.Bank.SF2", L"My.Bank"},
        {L"C:\\x\\Piano.sf", L"Pian"},
        {L"C:\\x\\abc", L""},
        {L"C:\\x\\", L""},
        {L"C:/banks/Piano.sf2", L"C:/banks/Piano"},
        {L"C:\\\u0411\u0430\u043d\u043a\\\u94a2\u7434.sf2", L"\u94a2\u7434"},
    };
    for (const auto& c : cases) EXPECT_EQ(BankBaseName(c.first), c.second) << testing::PrintToString(std::wstring(c.first));
}

TEST(PatchfoldTest, WritesOneWavePerSampleAndTheProjectUnderThePrefix) {
    ConverterRig rig;
    fs::create_directories(fs::path(rig.folder.File(L"banks")));
    const std::wstring bank = ConverterPath(rig.folder.File(L"banks/Piano.sf2"));
    ASSERT_TRUE(WriteBytes(rig.folder.File(L"banks/Piano.sf2"), TwoSampleBank().Build()));
    const std::wstring prefix = rig.Prefix();
    const wchar_t* argv[] = {L"patchfold.exe", bank.c_str(), prefix.c_str()};
    EXPECT_EQ(Patchfold(3, argv), 0);
    EXPECT_EQ(rig.Wave(0).size(), 44u + 80);
    EXPECT_EQ(rig.Wave(1).size(), 44u + 60);
    EXPECT_EQ(rig.WaveCount(), 2);
    const Bytes project = rig.Project();
    ASSERT_EQ(project.size(), kProjectHeader + kProjectInfo + kInstrument1000 + 2 * kZone1000);
    EXPECT_EQ(WideTextAt(project, kProjectHeader), prefix + L"Piano.kss");
}

TEST(PatchfoldTest, WithoutABankNothingHappens) {
    const wchar_t* argv[] = {L"patchfold.exe", nullptr};
    EXPECT_EQ(Patchfold(1, argv), 0);
    EXPECT_EQ(ConvertBank(nullptr, L"c:\\"), PatchfoldResult::kNoArgument);
}

// What each damaged bank gives: no output at all for a bank that does not
// load; otherwise the WAVs and zones that can be made, the rest skipped.
TEST(PatchfoldTest, DamagedBanksConvertWhatTheyCan) {
    for (const MalformedBank& m : MalformedBanks()) {
        ConverterRig rig;
        const PatchfoldResult result = rig.Convert(m.bytes);
        if (m.status != 0) {
            EXPECT_EQ(result, PatchfoldResult::kNoBank) << m.name;
            EXPECT_FALSE(rig.AnythingWritten()) << m.name;
            continue;
        }
        EXPECT_EQ(result, PatchfoldResult::kConverted) << m.name;
        EXPECT_EQ(rig.WaveCount(), m.waves) << m.name;
        const Bytes b = rig.Project();
        ASSERT_GE(b.size(), kProjectHeader + kProjectInfo) << m.name;
        EXPECT_EQ(I32At(b, kProjectHeader + 2612), static_cast<int32_t>(m.zones.size())) << m.name;
        std::vector<int> zones;
        size_t at = kProjectHeader + kProjectInfo;
        while (at + kInstrument1000 <= b.size()) {
            const int32_t n = I32At(b, at + 520);
            zones.push_back(n);
            at += kInstrument1000 + static_cast<size_t>(n) * kZone1000;
        }
        EXPECT_EQ(at, b.size()) << m.name;
        EXPECT_EQ(zones, m.zones) << m.name;
    }
}

// Output paths longer than the 255 characters a project stores are refused
// before anything is written. The prefix folder does not exist: a name that
// fits is taken and then fails to be created.
TEST(PatchfoldTest, AnOutputPathThatDoesNotFitIsRefused) {
    ConverterRig rig;
    const std::wstring base = rig.Prefix() + L"missing\\";
    auto prefixOf = [&](size_t length) { return base + std::wstring(length - base.size() - 1, L'x') + L"\\"; };
    ASSERT_EQ(prefixOf(200).size(), 200u);

    // The project name "LongerBankName.kss" (18) is the longest here.
    const std::wstring bank = rig.Bank(TwoSampleBank().Build(), L"LongerBankName.sf2");
    EXPECT_EQ(ConvertBank(bank.c_str(), prefixOf(kMaxOutputPath - 18).c_str()), PatchfoldResult::kNoProject);
    EXPECT_EQ(ConvertBank(bank.c_str(), prefixOf(kMaxOutputPath + 1 - 18).c_str()), PatchfoldResult::kPathTooLong);

    // "samples\\19.wav" (14) is the longest here.
    SoundFontWriter many;
    for (int i = 0; i < 20; ++i) many.AddSample("S", std::vector<int16_t>(4, 1));
    const std::wstring manySamples = rig.Bank(many.Build(), L"Q.sf2");
    EXPECT_EQ(ConvertBank(manySamples.c_str(), prefixOf(kMaxOutputPath - 14).c_str()), PatchfoldResult::kNoProject);
    EXPECT_EQ(ConvertBank(manySamples.c_str(), prefixOf(kMaxOutputPath + 1 - 14).c_str()),
              PatchfoldResult::kPathTooLong);
    EXPECT_FALSE(rig.AnythingWritten());
}

TEST(PatchfoldTest, AWaveThatCannotBeCreatedIsSkippedAndStillNamed) {
    ConverterRig rig;
    fs::create_directories(fs::path(rig.Out(L"samples/1.wav")));
    ASSERT_EQ(rig.Convert(TwoSampleBank().Build()), PatchfoldResult::kConverted);
    EXPECT_EQ(rig.Wave(0).size(), 44u + 80);
    const Bytes b = rig.Project();
    const size_t zones = kProjectHeader + kProjectInfo + kInstrument1000;
    ASSERT_EQ(b.size(), zones + 2 * kZone1000);
    EXPECT_EQ(TextAt(b, zones + kZone1000), "1.wav");
}

TEST(PatchfoldTest, AProjectThatCannotBeCreatedLeavesTheWaves) {
    ConverterRig rig;
    fs::create_directories(fs::path(rig.Out(L"Piano.kss")));
    EXPECT_EQ(rig.Convert(TwoSampleBank().Build()), PatchfoldResult::kNoProject);
    EXPECT_EQ(rig.WaveCount(), 2);
}

TEST(PatchfoldTest, AnExistingSamplesFolderIsUsedAndItsFilesReplaced) {
    ConverterRig rig;
    fs::create_directories(fs::path(rig.Out(L"samples")));
    ASSERT_TRUE(WriteBytes(rig.Out(L"samples/0.wav"), Bytes(5000, 1)));
    ASSERT_EQ(rig.Convert(TwoSampleBank().Build()), PatchfoldResult::kConverted);
    EXPECT_EQ(rig.Wave(0).size(), 44u + 80);
}

// The program itself: it prints nothing and always ends with 0.
TEST(PatchfoldTest, TheProgramPrintsNothingAndEndsWithZero) {
    ConverterRig rig;
    const std::wstring log = rig.folder.File(L"log.txt");
    EXPECT_EQ(RunProgram({}, log), 0);
    EXPECT_TRUE(ReadBytes(log).empty());
    const std::wstring missing = ConverterPath(rig.folder.File(L"missing.sf2"));
    EXPECT_EQ(RunProgram({missing, rig.Prefix()}, log), 0);
    EXPECT_TRUE(ReadBytes(log).empty());
    EXPECT_FALSE(rig.AnythingWritten());

    const std::wstring bank = rig.Bank(TwoSampleBank().Build());
    EXPECT_EQ(RunProgram({bank, rig.Prefix()}, log), 0);
    EXPECT_TRUE(ReadBytes(log).empty());
    EXPECT_EQ(rig.WaveCount(), 2);
    EXPECT_FALSE(rig.Project().empty());
}

#ifdef _WIN32
// The drive D: of the test prefix is a folder of the build tree.
TEST(PatchfoldTest, ConvertsFromDriveCIntoDriveD) {
    ASSERT_TRUE(CreateFolder(L"C:\\banks"));
    ASSERT_TRUE(WriteBytes(L"C:\\banks\\Piano.sf2", TwoSampleBank().Build()));
    ASSERT_TRUE(CreateFolder(L"D:\\out")) << "no drive D: in this prefix";
    RemoveFile(L"D:\\out\\Piano.kss");
    RemoveFile(L"D:\\out\\samples\\0.wav");
    RemoveFile(L"D:\\out\\samples\\1.wav");
    const wchar_t* argv[] = {L"patchfold.exe", L"C:\\banks\\Piano.sf2", L"D:\\out\\"};
    EXPECT_EQ(Patchfold(3, argv), 0);
    EXPECT_EQ(ReadBytes(L"D:\\out\\samples\\0.wav").size(), 44u + 80);
    EXPECT_EQ(ReadBytes(L"D:\\out\\samples\\1.wav").size(), 44u + 60);
    const Bytes project = ReadBytes(L"D:\\out\\Piano.kss");
    ASSERT_FALSE(project.empty());
    EXPECT_EQ(TextAt(project, kProjectHeader), "D:\\out\\Piano.kss");
}

TEST(PatchfoldTest, TheDefaultPrefixIsDriveC) {
    ASSERT_TRUE(CreateFolder(L"C:\\banks"));
    ASSERT_TRUE(WriteBytes(L"C:\\banks\\Default.sf2", TwoSampleBank().Build()));
    const wchar_t* argv[] = {L"patchfold.exe", L"C:\\banks\\Default.sf2"};
    EXPECT_EQ(Patchfold(2, argv), 0);
    EXPECT_TRUE(FileExists(L"C:\\Default.kss"));
    EXPECT_TRUE(FileExists(L"C:\\samples\\1.wav"));
    RemoveFile(L"C:\\Default.kss");
    RemoveFile(L"C:\\samples\\0.wav");
    RemoveFile(L"C:\\samples\\1.wav");
    fs::remove(fs::path(L"C:\\samples"));
}
#endif

} // namespace
