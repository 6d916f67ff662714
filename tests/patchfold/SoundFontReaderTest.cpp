#include "ConverterRig.h"
#include "MalformedBanks.h"
#include "SoundFontReader.h"

#include <functional>

namespace {

SoundFontWriter SmallBank() {
    SoundFontWriter w;
    w.AddSample("Sine", std::vector<int16_t>(50, 100), 69, 5, 45, 22050);
    w.AddInstrument("Flute", {{{53, 0}}});
    return w;
}

struct StatusCase {
    const char* what;
    std::function<void(SoundFontWriter&)> change;
    uint16_t status;
};
void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.what; }

class ReaderStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ReaderStatusTest, LoadGivesItsStatus) {
    SoundFontWriter w = SmallBank();
    GetParam().change(w);
    LoadedBank l(w.Build());
    EXPECT_EQ(l.reader.status, GetParam().status);
    EXPECT_EQ(l.bank != nullptr, GetParam().status == 0);
    EXPECT_FALSE(l.reader.walker.IsOpen()) << "the file is open only inside Load";
}

std::vector<StatusCase> StatusCases() {
    std::vector<StatusCase> cases = {
        {"a good bank", [](SoundFontWriter&) {}, 0},
        {"a WAVE file", [](SoundFontWriter& w) { w.FormType("WAVE"); }, 8},
        {"an upper-case form type", [](SoundFontWriter& w) { w.FormType("SFBK"); }, 0},
        {"version 3.0", [](SoundFontWriter& w) { w.Version(3, 0); }, 10},
        {"version 1.0", [](SoundFontWriter& w) { w.Version(1, 0); }, 10},
        {"version 2.4", [](SoundFontWriter& w) { w.Version(2, 4); }, 0},
        {"no version", [](SoundFontWriter& w) { w.Omit("ifil"); }, 10},
        {"an upper-case version chunk",
         [](SoundFontWriter& w) { w.Omit("ifil").RawInfo("IFIL", std::string("\2\0\1\0", 4)); }, 0},
        {"a ROM sample without irom", [](SoundFontWriter& w) { w.shdr[0].sampleType = 0x8001; }, 6},
        {"a ROM sample with irom", [](SoundFontWriter& w) { w.shdr[0].sampleType = 0x8001, w.Rom("1MGM"); }, 0},
        {"a preset list over 65535 records", [](SoundFontWriter& w) { w.DeclaredSize("phdr", 65536 * 38); }, 4},
        {"65535 generator records", [](SoundFontWriter& w) { w.Trailing("pgen", Bytes(4 * 65533, 0)); }, 0},
        {"65536 generator records", [](SoundFontWriter& w) { w.Trailing("pgen", Bytes(4 * 65534, 0)); }, 4},
    };
    for (const char* list : {"pdta", "phdr", "pbag", "pmod", "pgen", "inst", "ibag", "imod", "igen", "shdr"})
        cases.push_back({list, [list](SoundFontWriter& w) { w.Omit(list); }, 8});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Banks, ReaderStatusTest, ::testing::ValuesIn(StatusCases()),
                         [](const ::testing::TestParamInfo<StatusCase>& info) { return CaseName(info.param.what); });

TEST(SoundFontReaderTest, FilesThatAreNoRiffGiveFive) {
    ConverterRig rig;
    SoundFontReader reader;
    const std::wstring missing = ConverterPath(rig.folder.File(L"missing.sf2"));
    EXPECT_EQ(reader.Load(missing.c_str()), nullptr);
    EXPECT_EQ(reader.status, 5);
    const std::wstring text = rig.Bank(Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'});
    EXPECT_EQ(reader.Load(text.c_str()), nullptr);
    EXPECT_EQ(reader.status, 5);
}

TEST(SoundFontReaderTest, LoadsTheListsWithTheirTerminalRecords) {
    LoadedBank l(SmallBank().Name("Winds").Build());
    ASSERT_NE(l.bank, nullptr);
    const Hydra& h = *l.bank;
    EXPECT_STREQ(h.bankName, "Winds");
    EXPECT_EQ(h.versionMajor, 2);
    EXPECT_EQ(h.versionMinor, 1);
    EXPECT_EQ(h.phdrCount, 2);
    EXPECT_EQ(l.reader.presetCount, 1);
    EXPECT_EQ(h.pbagCount, 2);
    EXPECT_EQ(h.pgenCount, 2);
    EXPECT_EQ(h.pmodCount, 1);
    EXPECT_EQ(h.instCount, 2);
    EXPECT_EQ(h.ibagCount, 2);
    EXPECT_EQ(h.igenCount, 2);
    EXPECT_EQ(h.imodCount, 1);
    EXPECT_EQ(h.shdrCount, 2);
    EXPECT_STREQ(h.phdr[0].presetName, "Preset");
    EXPECT_EQ(h.phdr[1].presetBagNdx, 1);
    EXPECT_EQ(std::string(h.inst[0].instName), "Flute");
    EXPECT_EQ(h.inst[1].instBagNdx, 1);
    EXPECT_EQ(h.ibag[1].genNdx, 1);
    EXPECT_EQ(h.igen[0].genOper, 53);
    const SfSampleHeader& s = h.shdr[0];
    EXPECT_STREQ(s.sampleName, "Sine");
    EXPECT_EQ(s.start, 0u);
    EXPECT_EQ(s.end, 50u);
    EXPECT_EQ(s.startLoop, 5u);
    EXPECT_EQ(s.endLoop, 45u);
    EXPECT_EQ(s.sampleRate, 22050u);
    EXPECT_EQ(s.originalPitch, 69);
    EXPECT_EQ(s.sampleType, 1);
    EXPECT_EQ(l.reader.sampleDataSize, 2u * (50 + 46));
    EXPECT_STREQ(l.reader.Text(kRiffInam), "Winds");
}

TEST(SoundFontReaderTest, ABankWithoutANameIsCalledSoundFontBank) {
    LoadedBank l(SmallBank().Name("").Build());
    ASSERT_NE(l.bank, nullptr);
    EXPECT_STREQ(l.bank->bankName, "SoundFont Bank");
}

TEST(SoundFontReaderTest, GeneratorsAboveSixtyReadAsReserved) {
    SoundFontWriter w;
    w.AddSample("A", std::vector<int16_t>(10, 1));
    w.AddInstrument("I", {{{70, 5}, {60, 0}, {61, 1}, {59, 2}, {0xFFFF, 3}, {53, 0}}});
    LoadedBank l(w.Build());
    ASSERT_NE(l.bank, nullptr);
    const SfGenerator* g = l.bank->igen;
    EXPECT_EQ(g[0].genOper, 42);
    EXPECT_EQ(g[0].genAmount, 5) << "the amount is kept";
    EXPECT_EQ(g[1].genOper, 60);
    EXPECT_EQ(g[2].genOper, 42);
    EXPECT_EQ(g[3].genOper, 59);
    EXPECT_EQ(g[4].genOper, 42);
    EXPECT_EQ(g[5].genOper, 53);
    EXPECT_EQ(l.bank->pgen[0].genOper, 41) << "the preset's instrument generator is kept";
}

TEST(SoundFontReaderTest, TrailingBytesOfAListAreIgnored) {
    SoundFontWriter w = SmallBank();
    w.Body("shdr", Bytes(100, 0)); // two records and 8 bytes
    LoadedBank l(w.Build());
    ASSERT_NE(l.bank, nullptr);
    EXPECT_EQ(l.bank->shdrCount, 2);

    SoundFontWriter odd = SmallBank();
    odd.Trailing("igen", Bytes{1, 2, 3});
    LoadedBank m(odd.Build());
    ASSERT_NE(m.bank, nullptr);
    EXPECT_EQ(m.bank->igenCount, 2);
}

TEST(SoundFontReaderTest, InfoTextsAreKeptZeroTerminatedAndAtMost65535Bytes) {
    SoundFontWriter w = SmallBank();
    w.RawInfo("ICMT", std::string(70000, 'c')).RawInfo("IENG", "Ann"); // odd size, no pad byte
    LoadedBank l(w.Build());
    ASSERT_NE(l.bank, nullptr);
    EXPECT_EQ(std::string(l.reader.Text(kRiffIcmt)).size(), 65535u);
    EXPECT_STREQ(l.reader.Text(kRiffIeng), "Ann");
    EXPECT_EQ(l.reader.Text(kRiffIcrd), nullptr);
}

TEST(SoundFontReaderTest, EachLoadStartsAfresh) {
    ConverterRig rig;
    SoundFontReader reader;
    const std::wstring first = rig.Bank(SmallBank().Name("First").Rom("ROM1").Build(), L"a.sf2");
    const std::wstring second = rig.Bank(SmallBank().Name("").Omit("smpl").Build(), L"b.sf2");
    Hydra* a = reader.Load(first.c_str());
    ASSERT_NE(a, nullptr);
    EXPECT_NE(reader.Text(kRiffIrom), nullptr);
    Hydra* b = reader.Load(second.c_str());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(std::wstring(reader.path), second);
    EXPECT_EQ(reader.Text(kRiffIrom), nullptr);
    EXPECT_EQ(reader.Text(kRiffInam), nullptr);
    EXPECT_EQ(reader.sampleDataSize, 0u) << "no smpl chunk";
    EXPECT_STREQ(a->bankName, "First") << "a bank outlives the next load";
    DeleteHydra(a);
    DeleteHydra(b);
    DeleteHydra(nullptr);
}

TEST(SoundFontReaderTest, EmptyListsLoadAsEmpty) {
    SoundFontWriter w = SmallBank();
    w.Body("inst", {}).Body("shdr", {}).Body("pmod", {});
    LoadedBank l(w.Build());
    ASSERT_NE(l.bank, nullptr);
    EXPECT_EQ(l.bank->instCount, 0);
    EXPECT_EQ(l.bank->shdrCount, 0);
    EXPECT_EQ(l.bank->pmodCount, 0);
}

TEST(SoundFontReaderTest, SetBankNameCopiesTheText) {
    Hydra h;
    char name[] = "Strings";
    EXPECT_EQ(h.SetBankName(name), 0);
    name[0] = 'X';
    EXPECT_STREQ(h.bankName, "Strings");
    h.Clear();
    EXPECT_EQ(h.bankName, nullptr);
}

// Every damaged bank gives its status, and never reads outside the file's
// bytes or the lists (the sanitizers watch).
TEST(SoundFontReaderTest, DamagedBanksGiveTheirStatus) {
    for (const MalformedBank& m : MalformedBanks()) {
        LoadedBank l(m.bytes);
        EXPECT_EQ(l.reader.status, m.status) << m.name;
    }
}

} // namespace
