#include "ConverterRig.h"
#include "ZoneMapping.h"

#include <functional>

namespace {

constexpr uint16_t kAttack = 34, kDecay = 36, kSustain = 37, kRelease = 38, kKeyRange = 43, kVelRange = 44,
                   kFine = 52, kSampleId = 53, kModes = 54, kRoot = 58, kStart = 0;

// Samples: 0 mono A (pitch 60, 100 frames, loop 10..90), 1 and 2 the
// stereo pair L and R (pitch 64, 80 frames), 3 mono B (pitch 72, 120
// frames, loop 20..100); stereo samples whose link is not returned: 4 a
// left X linked to B, 5 a right Y linked to L (30 frames each).
SoundFontWriter Samples() {
    SoundFontWriter w;
    w.AddSample("A", std::vector<int16_t>(100, 1), 60, 10, 90);
    w.AddStereoPair("S", std::vector<int16_t>(80, 2), std::vector<int16_t>(80, 3), 64);
    w.AddSample("B", std::vector<int16_t>(120, 4), 72, 20, 100);
    w.AddSample("X", std::vector<int16_t>(30, 5), 60, 0, 0, 44100, kSfLeftSample, 3);
    w.AddSample("Y", std::vector<int16_t>(30, 6), 60, 0, 0, 44100, kSfRightSample, 1);
    return w;
}

// The zones of each instrument of a bank built from these samples.
std::vector<std::vector<KZoneRecord>> Map(const std::vector<std::vector<std::vector<SfGen>>>& instruments) {
    SoundFontWriter w = Samples();
    for (const auto& zones : instruments) w.AddInstrument("I", zones);
    LoadedBank l(w.Build());
    EXPECT_NE(l.bank, nullptr);
    std::vector<std::vector<KZoneRecord>> out;
    if (l.bank == nullptr) return out;
    const std::vector<uint8_t> usable = UsableSamples(*l.bank, l.reader.sampleDataSize);
    for (int i = 0; i < ConvertedInstrumentCount(*l.bank); ++i) out.push_back(MapInstrumentZones(*l.bank, i, usable));
    return out;
}

std::string Path(const KZoneRecord& z) {
    std::string s;
    for (const wchar_t* p = z.samplePath; *p; ++p) s += static_cast<char>(*p);
    return s;
}

TEST(ZoneMappingTest, EnvelopeConversions) {
    EXPECT_EQ(TimecentsToMs(-12000), 0.9765625f);
    EXPECT_EQ(TimecentsToMs(0), 1000.0f);
    EXPECT_EQ(TimecentsToMs(1200), 2000.0f) << "2000 itself is kept";
    EXPECT_EQ(TimecentsToMs(1201), 1999.0f);
    EXPECT_EQ(TimecentsToMs(3000), 1999.0f) << "5656.85 ms";
    EXPECT_EQ(TimecentsToMs(32767), 1999.0f);
    EXPECT_GT(TimecentsToMs(-32768), 0.0f);
    EXPECT_LT(TimecentsToMs(-32768), 0.001f);
    EXPECT_EQ(CentibelsToDb(1000), -29.0f) << "-100 dB";
    EXPECT_EQ(CentibelsToDb(290), -29.0f);
    EXPECT_EQ(CentibelsToDb(291), -29.0f);
    EXPECT_EQ(CentibelsToDb(100), -10.0f);
    EXPECT_EQ(CentibelsToDb(15), -1.5f);
    EXPECT_EQ(CentibelsToDb(0), 0.0f);
    EXPECT_EQ(CentibelsToDb(-60), 6.0f);
}

TEST(ZoneMappingTest, AZoneWithOnlyItsSampleTakesTheDefaults) {
    const auto zones = Map({{{{kSampleId, 3}}}});
    ASSERT_EQ(zones.size(), 1u);
    ASSERT_EQ(zones[0].size(), 1u);
    const KZoneRecord& z = zones[0][0];
    EXPECT_EQ(Path(z), "3.wav");
    EXPECT_EQ(z.embeddedOffset, 0);
    EXPECT_EQ(z.embeddedSize, 240);
    EXPECT_EQ(z.startFrame, 0);
    EXPECT_EQ(z.endFrame, 120);
    EXPECT_EQ(z.loopStart, 20);
    EXPECT_EQ(z.loopEnd, 100);
    EXPECT_EQ(z.loopMode, 0);
    EXPECT_EQ(z.keyLow, 0);
    EXPECT_EQ(z.keyHigh, 127);
    EXPECT_EQ(z.velocityLow, 1);
    EXPECT_EQ(z.velocityHigh, 127);
    EXPECT_EQ(z.volumeDb, 0.0f);
    EXPECT_EQ(z.pan, 50.0f);
    EXPECT_EQ(z.ampAttack, 0.0f);
    EXPECT_EQ(z.ampDecay, 0.0f);
    EXPECT_EQ(z.ampSustain, 0.0f);
    EXPECT_EQ(z.ampRelease, 300.0f);
    EXPECT_EQ(z.coarseTune, 0);
    EXPECT_EQ(z.fineTune, 0);
    EXPECT_EQ(z.rootKey, 72);
    EXPECT_EQ(z.keyTracking, 1);
    EXPECT_EQ(z.layer, 1);
    EXPECT_EQ(z.exclusiveGroup, 0);
    EXPECT_EQ(z.releaseTrigger, 0);
}

struct GeneratorCase {
    const char* what;
    std::vector<SfGen> generators; // before sampleID 0
    std::function<double(const KZoneRecord&)> field;
    double expected;
};
void PrintTo(const GeneratorCase& c, std::ostream* os) { *os << c.what; }

class GeneratorTest : public ::testing::TestWithParam<GeneratorCase> {};

TEST_P(GeneratorTest, SetsItsField) {
    std::vector<SfGen> zone = GetParam().generators;
    zone.push_back({kSampleId, 0});
    const auto zones = Map({{zone}});
    ASSERT_EQ(zones.size(), 1u);
    ASSERT_EQ(zones[0].size(), 1u);
    EXPECT_EQ(GetParam().field(zones[0][0]), GetParam().expected) << GetParam().what;
}

double Attack(const KZoneRecord& z) { return z.ampAttack; }
double Decay(const KZoneRecord& z) { return z.ampDecay; }
double Sustain(const KZoneRecord& z) { return z.ampSustain; }
double Release(const KZoneRecord& z) { return z.ampRelease; }
double KeyLow(const KZoneRecord& z) { return z.keyLow; }
double KeyHigh(const KZoneRecord& z) { return z.keyHigh; }
double VelocityLow(const KZoneRecord& z) { return z.velocityLow; }
double VelocityHigh(const KZoneRecord& z) { return z.velocityHigh; }
double Fine(const KZoneRecord& z) { return z.fineTune; }
double LoopMode(const KZoneRecord& z) { return z.loopMode; }
double Root(const KZoneRecord& z) { return z.rootKey; }
double Start(const KZoneRecord& z) { return static_cast<double>(z.startFrame); }

INSTANTIATE_TEST_SUITE_P(
    Generators, GeneratorTest,
    ::testing::Values(
        GeneratorCase{"attack -12000 timecents", {{kAttack, -12000}}, Attack, 0.9765625},
        GeneratorCase{"attack 3000 timecents", {{kAttack, 3000}}, Attack, 1999},
        GeneratorCase{"decay 0 timecents", {{kDecay, 0}}, Decay, 1000},
        GeneratorCase{"release -1200 timecents", {{kRelease, -1200}}, Release, 500},
        GeneratorCase{"the last of two wins", {{kRelease, -1200}, {kRelease, 0}}, Release, 1000},
        GeneratorCase{"sustain 1000 centibels", {{kSustain, 1000}}, Sustain, -29},
        GeneratorCase{"sustain 60 centibels", {{kSustain, 60}}, Sustain, -6},
        GeneratorCase{"keyRange low", {SfRange(kKeyRange, 36, 59)}, KeyLow, 36},
        GeneratorCase{"keyRange high", {SfRange(kKeyRange, 36, 59)}, KeyHigh, 59},
        GeneratorCase{"velRange 0-127 low", {SfRange(kVelRange, 0, 127)}, VelocityLow, 1},
        GeneratorCase{"velRange 0-127 high", {SfRange(kVelRange, 0, 127)}, VelocityHigh, 127},
        GeneratorCase{"velRange 64-100 low", {SfRange(kVelRange, 64, 100)}, VelocityLow, 64},
        GeneratorCase{"velRange 64-100 high", {SfRange(kVelRange, 64, 100)}, VelocityHigh, 100},
        GeneratorCase{"fineTune", {{kFine, -14}}, Fine, -14},
        GeneratorCase{"sampleModes 1 loops", {{kModes, 1}}, LoopMode, 2},
        GeneratorCase{"sampleModes 3 loops", {{kModes, 3}}, LoopMode, 2},
        GeneratorCase{"sampleModes 2 plays to the end", {{kModes, 1}, {kModes, 2}}, LoopMode, 0},
        GeneratorCase{"sampleModes 0 plays to the end", {{kModes, 1}, {kModes, 0}}, LoopMode, 0},
        GeneratorCase{"other sampleModes change nothing", {{kModes, 1}, {kModes, 5}}, LoopMode, 2},
        GeneratorCase{"overridingRootKey", {{kRoot, 48}}, Root, 48},
        GeneratorCase{"overridingRootKey 0 keeps the sample's pitch", {{kRoot, 0}}, Root, 60},
        GeneratorCase{"startAddrsOffset is signed", {{kStart, -5}}, Start, -5},
        GeneratorCase{"startAddrsOffset", {{kStart, 12}}, Start, 12},
        GeneratorCase{"initialFilterFc is ignored", {{8, 1000}}, Release, 300},
        GeneratorCase{"a reserved generator is ignored", {{42, 1000}}, Release, 300},
        GeneratorCase{"an unknown generator is ignored", {{99, 1000}, {61, 5}}, KeyHigh, 127}),
    [](const ::testing::TestParamInfo<GeneratorCase>& info) { return CaseName(info.param.what); });

TEST(ZoneMappingTest, ASampleIdResetsTheZoneButNotLoopModeOrEnvelope) {
    const auto zones = Map({{{SfRange(kKeyRange, 10, 20), SfRange(kVelRange, 30, 40), {kRoot, 50}, {kFine, 9},
                              {kStart, 4}, {kAttack, -1200}, {kDecay, 0}, {kSustain, 100}, {kRelease, 1200},
                              {kModes, 1}, {kSampleId, 0}},
                             {{kSampleId, 3}}}});
    ASSERT_EQ(zones.at(0).size(), 2u);
    const KZoneRecord& first = zones[0][0];
    EXPECT_EQ(first.keyLow, 10);
    EXPECT_EQ(first.velocityHigh, 40);
    EXPECT_EQ(first.rootKey, 50);
    const KZoneRecord& z = zones[0][1];
    EXPECT_EQ(z.keyLow, 0);
    EXPECT_EQ(z.keyHigh, 127);
    EXPECT_EQ(z.velocityLow, 1);
    EXPECT_EQ(z.velocityHigh, 127);
    EXPECT_EQ(z.rootKey, 72);
    EXPECT_EQ(z.fineTune, 0);
    EXPECT_EQ(z.startFrame, 0);
    EXPECT_EQ(z.loopMode, 2);
    EXPECT_EQ(z.ampAttack, 500.0f);
    EXPECT_EQ(z.ampDecay, 1000.0f);
    EXPECT_EQ(z.ampSustain, -10.0f);
    EXPECT_EQ(z.ampRelease, 2000.0f);
}

TEST(ZoneMappingTest, TheGlobalZoneSetsTheFirstZoneAndOnlyLoopAndEnvelopeReachTheRest) {
    const auto zones = Map({{{SfRange(kKeyRange, 40, 50), {kFine, 7}, {kModes, 3}, {kRelease, -2400}},
                             {{kSampleId, 0}},
                             {{kSampleId, 3}}}});
    ASSERT_EQ(zones.at(0).size(), 2u);
    EXPECT_EQ(zones[0][0].keyLow, 40);
    EXPECT_EQ(zones[0][0].fineTune, 7);
    EXPECT_EQ(zones[0][1].keyLow, 0);
    EXPECT_EQ(zones[0][1].fineTune, 0);
    for (const KZoneRecord& z : zones[0]) {
        EXPECT_EQ(z.loopMode, 2);
        EXPECT_EQ(z.ampRelease, 250.0f);
    }
}

TEST(ZoneMappingTest, EachInstrumentStartsFromTheDefaults) {
    const auto zones = Map({{{{kModes, 1}, {kAttack, 0}, {kSampleId, 0}}}, {{{kSampleId, 0}}}});
    ASSERT_EQ(zones.size(), 2u);
    EXPECT_EQ(zones[0].at(0).loopMode, 2);
    EXPECT_EQ(zones[1].at(0).loopMode, 0);
    EXPECT_EQ(zones[1].at(0).ampAttack, 0.0f);
}

// A stereo pair gives one zone, for whichever member comes first; only the
// other member's zone is skipped, wherever it follows.
TEST(ZoneMappingTest, TheZoneOfAWrittenStereoZonesPartnerIsSkipped) {
    struct Case {
        const char* what;
        std::vector<int> samples;
        std::vector<std::string> paths;
    } cases[] = {
        {"A, L, R, B", {0, 1, 2, 3}, {"0.wav", "1.wav", "3.wav"}},
        {"R, L", {2, 1}, {"2.wav"}},
        {"L, R, L, R", {1, 2, 1, 2}, {"1.wav", "1.wav"}},
        {"L, B, R", {1, 3, 2}, {"1.wav", "3.wav"}},
        {"L, B, R, B", {1, 3, 2, 3}, {"1.wav", "3.wav", "3.wav"}},
        {"L, A, B, R", {1, 0, 3, 2}, {"1.wav", "0.wav", "3.wav"}},
        {"L, L, R, R", {1, 1, 2, 2}, {"1.wav", "1.wav"}},
        {"L alone", {1}, {"1.wav"}},
        {"A, A", {0, 0}, {"0.wav", "0.wav"}},
        {"X linked to B, B", {4, 3}, {"4.wav", "3.wav"}},
        {"X linked to B, A", {4, 0}, {"4.wav", "0.wav"}},
        {"Y linked to L, L, R", {5, 1, 2}, {"5.wav", "1.wav"}},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<SfGen>> gens;
        for (int s : c.samples) gens.push_back({{kSampleId, static_cast<int16_t>(s)}});
        const auto zones = Map({gens});
        std::vector<std::string> paths;
        for (const KZoneRecord& z : zones.at(0)) paths.push_back(Path(z));
        EXPECT_EQ(paths, c.paths) << c.what;
    }
}

TEST(ZoneMappingTest, AStereoZoneKeepsItsOwnGeneratorsAndAChannelsByteCount) {
    const auto zones = Map({{{SfRange(kKeyRange, 0, 63), {kSampleId, 1}},
                             {SfRange(kKeyRange, 64, 127), {kModes, 1}, {kSampleId, 2}},
                             {{kSampleId, 0}}}});
    ASSERT_EQ(zones.at(0).size(), 2u);
    EXPECT_EQ(zones[0][0].keyHigh, 63);
    EXPECT_EQ(zones[0][0].embeddedSize, 160);
    EXPECT_EQ(zones[0][0].endFrame, 80);
    EXPECT_EQ(zones[0][0].rootKey, 64);
    EXPECT_EQ(zones[0][1].keyLow, 0) << "the skipped zone's range is reset";
    EXPECT_EQ(zones[0][1].loopMode, 2) << "the skipped zone's loop mode carries over";
}

TEST(ZoneMappingTest, AtMostSixteenInstruments) {
    for (int n : {0, 1, 16, 17, 20}) {
        std::vector<std::vector<std::vector<SfGen>>> instruments(static_cast<size_t>(n), {{{kSampleId, 0}}});
        const auto zones = Map(instruments);
        EXPECT_EQ(zones.size(), static_cast<size_t>(std::min(n, 16))) << n;
        for (const auto& z : zones) EXPECT_EQ(z.size(), 1u);
    }
}

} // namespace
