// The player's state chunk: 16 records of 232 bytes, read byte by byte as a
// host stores them, restored into the loaded instruments.
#include "PlayerRig.h"

#include "MessageBoxAnswerer.h"

#include <atomic>
#include <limits>

namespace {

using Chunk = std::vector<uint8_t>;

template <class T>
T At(const Chunk& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <class T>
void Put(Chunk& bytes, size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

size_t Record(int slot) { return 232 * static_cast<size_t>(slot); }
size_t Envelope(int slot, int layer, int value) {
    return Record(slot) + 36 + 16 * static_cast<size_t>(layer - 1) + 4 * static_cast<size_t>(value);
}

class PlayerChunkTest : public ::testing::Test {
protected:
    // A library of two instruments: slot 0 with zones on layers 1, 2 and 1,
    // slot 1 with one zone on layer 3.
    std::unique_ptr<KPlayerVST> Player() {
        const std::wstring wav = rig.Wav(L"c.wav");
        KInstrument& a = rig.AddInstrument(7, 2, {1, 2, 1}, wav);
        a.currentLayer = 2;
        a.reverbSend = 0.25;
        a.volume = 0.75;
        a.pan = 30.0;
        a.bendRange = 5;
        const float envelopes[3][4] = {{10, 20, -3, 400}, {11, 21, -4, 500}, {12, 22, -5, 600}};
        for (int z = 0; z < 3; ++z) {
            KSampleZone& zone = *a.zones[z];
            zone.ampAttack = envelopes[z][0];
            zone.ampDecay = envelopes[z][1];
            zone.ampSustain = envelopes[z][2];
            zone.ampRelease = envelopes[z][3];
        }
        KInstrument& b = rig.AddInstrument(0, 3, {3}, wav);
        b.bendRange = 12;
        b.zones[0]->ampRelease = 50.0f;
        set = rig.MakeSet();
        auto p = PlayerRig::Player(set.library);
        EXPECT_EQ(p->engine.instrumentCount, 2);
        return p;
    }

    static Chunk Get(KPlayerVST& p) {
        void* data = nullptr;
        const VstInt32 size = p.getChunk(&data, false);
        EXPECT_EQ(size, 3712);
        EXPECT_EQ(data, p.chunkBuffer) << "the buffer stays the player's";
        if (size <= 0 || data == nullptr) return {};
        return Chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    }

    PlayerRig rig;
    PlayerSet set;
};

TEST_F(PlayerChunkTest, EveryFieldLiesAtItsOffset) {
    auto p = Player();
    p->editorHooks->selectedSlot = 1;
    const Chunk c = Get(*p);
    ASSERT_EQ(c.size(), 3712u);
    EXPECT_EQ(c[0], 7) << "channel";
    EXPECT_EQ(c[1], 2) << "output pair";
    EXPECT_EQ(c[2] | c[3], 0) << "padding";
    EXPECT_EQ(At<int32_t>(c, 4), 2) << "current layer";
    EXPECT_EQ(At<double>(c, 8), 0.25) << "reverb send";
    EXPECT_EQ(At<double>(c, 16), 0.75) << "volume";
    EXPECT_EQ(At<double>(c, 24), 30.0) << "pan";
    EXPECT_EQ(c[32], 5) << "bend range";
    EXPECT_EQ(c[33] | c[34] | c[35], 0) << "padding";
    // Layer 1 carries its first zone's envelope; layer 2 its one zone's.
    const float layer1[4] = {10, 20, -3, 400}, layer2[4] = {11, 21, -4, 500};
    for (int v = 0; v < 4; ++v) {
        EXPECT_EQ(At<float>(c, Envelope(0, 1, v)), layer1[v]) << v;
        EXPECT_EQ(At<float>(c, Envelope(0, 2, v)), layer2[v]) << v;
    }
    // A layer without zones: 0, 0, 0, 300.
    for (int layer = 3; layer <= 12; ++layer) {
        EXPECT_EQ(At<float>(c, Envelope(0, layer, 0)), 0.0f) << layer;
        EXPECT_EQ(At<float>(c, Envelope(0, layer, 1)), 0.0f) << layer;
        EXPECT_EQ(At<float>(c, Envelope(0, layer, 2)), 0.0f) << layer;
        EXPECT_EQ(At<float>(c, Envelope(0, layer, 3)), 300.0f) << layer;
    }
    EXPECT_EQ(At<int32_t>(c, 228), 1) << "the editor's selection";

    EXPECT_EQ(c[Record(1) + 0], 0) << "omni";
    EXPECT_EQ(c[Record(1) + 1], 3);
    EXPECT_EQ(c[Record(1) + 32], 12);
    EXPECT_EQ(At<float>(c, Envelope(1, 3, 3)), 50.0f);
    EXPECT_EQ(At<int32_t>(c, Record(1) + 228), 1) << "the same selection in every occupied record";
    for (size_t i = Record(2); i < c.size(); ++i) ASSERT_EQ(c[i], 0) << "empty slots are zero: " << i;
}

TEST_F(PlayerChunkTest, AFailedPairingGivesZeros) {
    Player();
    ASSERT_TRUE(StampLibraryCode(set.library, "Xxxx"));
    MessageBoxAnswerer answerer(L"Korvo Sampler Player");
    auto p = PlayerRig::Player(set.library);
    EXPECT_EQ(p->engine.instrumentCount, 0);
    const Chunk c = Get(*p);
    ASSERT_EQ(c.size(), 3712u);
    EXPECT_EQ(std::count(c.begin(), c.end(), 0), 3712);
}

TEST_F(PlayerChunkTest, ARestoreKeepsEveryInstrumentAndGivesALayerOneEnvelope) {
    auto p = Player();
    p->editorHooks->selectedSlot = 1;
    const Chunk saved = Get(*p);
    KInstrument& a = *p->engine.instruments[0];
    KInstrument& b = *p->engine.instruments[1];

    // The user plays with the settings, then the host restores its song.
    a.midiChannel = 16;
    a.outputPair = 0;
    a.currentLayer = 9;
    a.bendRange = 0;
    a.volume = 0.1;
    a.pan = 90.0;
    a.reverbSend = 1.0;
    b.zones[0]->ampRelease = 1.0f;
    p->editorHooks->selectedSlot = 0;
    ASSERT_EQ(p->setChunk(const_cast<uint8_t*>(saved.data()), 3712, false), 1);

    EXPECT_EQ(a.midiChannel, 7);
    EXPECT_EQ(a.outputPair, 2);
    EXPECT_EQ(a.currentLayer, 2);
    EXPECT_EQ(a.bendRange, 5);
    EXPECT_EQ(a.volume, 0.75);
    EXPECT_EQ(a.pan, 30.0);
    EXPECT_EQ(a.reverbSend, 0.25);
    EXPECT_EQ(b.zones[0]->ampRelease, 50.0f);
    EXPECT_EQ(p->editorHooks->selectedSlot, 1);
    EXPECT_FLOAT_EQ(a.targetGainRight, static_cast<float>(0.75 * 30.0 / 50.0)) << "gains follow";
    // Zones 0 and 2 (layer 1) now share the first one's envelope.
    for (int z : {0, 2}) {
        EXPECT_EQ(a.zones[z]->ampAttack, 10.0f) << z;
        EXPECT_EQ(a.zones[z]->ampDecay, 20.0f) << z;
        EXPECT_EQ(a.zones[z]->ampSustain, -3.0f) << z;
        EXPECT_EQ(a.zones[z]->ampRelease, 400.0f) << z;
    }
    EXPECT_EQ(a.zones[1]->ampRelease, 500.0f);
    EXPECT_EQ(Get(*p), saved) << "the same state gives the same bytes";

    // The host may hand back the player's own buffer.
    void* own = nullptr;
    p->getChunk(&own, false);
    EXPECT_EQ(p->setChunk(own, 3712, false), 1);
    EXPECT_EQ(Get(*p), saved);
}

TEST_F(PlayerChunkTest, AShortChunkOverwritesTheStartAndALongOneIsCut) {
    auto p = Player();
    // After construction the buffer is zero: a one-record chunk applies
    // zero records to the other slots.
    Chunk one = Get(*p);
    one.resize(232);
    Put<double>(one, 16, 0.5);
    auto fresh = PlayerRig::Player(set.library);
    ASSERT_EQ(fresh->setChunk(one.data(), 232, false), 1);
    EXPECT_EQ(fresh->engine.instruments[0]->volume, 0.5);
    EXPECT_EQ(fresh->engine.instruments[1]->volume, 0.0) << "the rest of the buffer: zeros";
    EXPECT_EQ(fresh->engine.instruments[1]->midiChannel, 0);
    EXPECT_EQ(fresh->engine.instruments[1]->currentLayer, 1) << "layer 0 is out of range: kept";
    EXPECT_EQ(fresh->engine.instruments[1]->zones[0]->ampRelease, 0.0f);

    // After a chunk call the rest keeps that call's bytes.
    const Chunk before = Get(*p);
    ASSERT_EQ(p->setChunk(one.data(), 232, false), 1);
    EXPECT_EQ(p->engine.instruments[0]->volume, 0.5);
    EXPECT_EQ(std::memcmp(p->chunkBuffer + 232, before.data() + 232, 3712 - 232), 0);
    EXPECT_EQ(p->engine.instruments[1]->zones[0]->ampRelease, 50.0f) << "slot 1 restored from the kept bytes";

    Chunk longer = before;
    Put<double>(longer, 16, 0.125);
    longer.resize(9000, 0xEE);
    ASSERT_EQ(p->setChunk(longer.data(), static_cast<VstInt32>(longer.size()), false), 1);
    EXPECT_EQ(p->engine.instruments[0]->volume, 0.125);
    EXPECT_EQ(std::memcmp(p->chunkBuffer, longer.data(), 3712), 0) << "only what fits is taken";
}

TEST_F(PlayerChunkTest, OutOfRangeValuesKeepTheInstrumentsOwn) {
    struct Case {
        const char* what;
        size_t offset;
        int32_t value;
        int width; // bytes
        bool taken;
    };
    for (const Case& c : {Case{"channel 16", 0, 16, 1, true}, Case{"channel 17", 0, 17, 1, false},
                          Case{"channel 255", 0, 255, 1, false}, Case{"pair 3", 1, 3, 1, true},
                          Case{"pair 4", 1, 4, 1, false}, Case{"layer 1", 4, 1, 4, true}, Case{"layer 12", 4, 12, 4, true},
                          Case{"layer 0", 4, 0, 4, false}, Case{"layer 13", 4, 13, 4, false},
                          Case{"layer -1", 4, -1, 4, false}, Case{"bend 0", 32, 0, 1, true},
                          Case{"bend 12", 32, 12, 1, true}, Case{"bend 13", 32, 13, 1, false}}) {
        PlayerRig r;
        r.AddInstrument(2, 1, {1}, r.Wav(L"v.wav"));
        const PlayerSet s = r.MakeSet();
        auto p = PlayerRig::Player(s.library);
        KInstrument& in = *p->engine.instruments[0];
        in.currentLayer = 6;
        in.bendRange = 7;
        Chunk chunk = Get(*p);
        if (c.width == 1) chunk[c.offset] = static_cast<uint8_t>(c.value);
        else Put<int32_t>(chunk, c.offset, c.value);
        ASSERT_EQ(p->setChunk(chunk.data(), 3712, false), 1) << c.what;
        const int32_t now = c.offset == 0 ? in.midiChannel : c.offset == 1 ? in.outputPair : c.offset == 4 ? in.currentLayer
                                                                                                : in.bendRange;
        const int32_t before = c.offset == 0 ? 2 : c.offset == 1 ? 1 : c.offset == 4 ? 6 : 7;
        EXPECT_EQ(now, c.taken ? c.value : before) << c.what;
    }
}

TEST_F(PlayerChunkTest, ARestoredSelectionStaysWithinTheBank) {
    // Three instruments, slot 1 selected before each restore.
    const std::wstring wav = rig.Wav(L"s.wav");
    for (int i = 0; i < 3; ++i) rig.AddInstrument(0, 0, {1}, wav);
    set = rig.MakeSet();
    auto p = PlayerRig::Player(set.library);
    ASSERT_EQ(p->engine.instrumentCount, 3);
    const struct {
        int32_t stored, selected;
        const char* what;
    } cases[] = {{0, 0, "a loaded slot"},
                 {2, 2, "the last one"},
                 {3, 2, "beyond the bank: its last instrument"},
                 {15, 2, "the last slot"},
                 {16, 1, "no slot: kept"},
                 {-1, 1, "no slot either"}};
    for (const auto& c : cases) {
        p->editorHooks->selectedSlot = 1;
        Chunk chunk = Get(*p);
        for (int slot = 0; slot < 3; ++slot) Put<int32_t>(chunk, Record(slot) + 228, c.stored);
        ASSERT_EQ(p->setChunk(chunk.data(), 3712, false), 1) << c.what;
        EXPECT_EQ(p->editorHooks->selectedSlot, c.selected) << c.what;
    }
}

TEST_F(PlayerChunkTest, ASongOfALargerBankSelectsTheLastInstrumentOfThisOne) {
    // Saved with eight instruments, reopened with the first four of them
    // under the same code.
    const std::wstring wav = rig.Wav(L"l.wav");
    for (int i = 0; i < 8; ++i) rig.AddInstrument(0, 0, {1}, wav).volume = 0.1 * (i + 1);
    set = rig.MakeSet();
    Chunk saved;
    {
        auto eight = PlayerRig::Player(set.library);
        ASSERT_EQ(eight->engine.instrumentCount, 8);
        eight->editorHooks->selectedSlot = 6;
        saved = Get(*eight);
    }
    for (int slot = 4; slot < 8; ++slot) rig.source.DeleteInstrument(slot);
    set = rig.MakeSet();
    auto four = PlayerRig::Player(set.library);
    ASSERT_EQ(four->engine.instrumentCount, 4);
    ASSERT_EQ(four->setChunk(saved.data(), 3712, false), 1);
    EXPECT_EQ(four->editorHooks->selectedSlot, 3);
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_NEAR(four->engine.instruments[slot]->volume, 0.1 * (slot + 1), 1e-6) << slot;
    // A bank that starts later than the selection: its first instrument.
    four->engine.DeleteInstrument(0);
    four->engine.DeleteInstrument(1);
    four->editorHooks->selectedSlot = 0;
    Chunk first = Get(*four);
    Put<int32_t>(first, Record(2) + 228, 1);
    Put<int32_t>(first, Record(3) + 228, 1);
    ASSERT_EQ(four->setChunk(first.data(), 3712, false), 1);
    EXPECT_EQ(four->editorHooks->selectedSlot, 2);
}

// The reverb send as the send knob sets it, 0..1: a value beyond is held to
// it, one that is no number keeps the instrument's (it would silence the
// instrument's output pair for good).
TEST_F(PlayerChunkTest, TheReverbSendIsHeldToTheKnobsRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double stored, taken;
    };
    for (const Case& c : {Case{0.0, 0.0}, Case{0.5, 0.5}, Case{1.0, 1.0}, Case{1.5, 1.0}, Case{-0.25, 0.0},
                          Case{1e300, 1.0}, Case{inf, 1.0}, Case{-inf, 0.0}, Case{nan, 0.3}}) {
        PlayerRig r;
        r.AddInstrument(2, 1, {1}, r.Wav(L"v.wav"));
        const PlayerSet s = r.MakeSet();
        auto p = PlayerRig::Player(s.library);
        KInstrument& in = *p->engine.instruments[0];
        in.reverbSend = 0.3;
        Chunk chunk = Get(*p);
        Put<double>(chunk, 8, c.stored);
        ASSERT_EQ(p->setChunk(chunk.data(), 3712, false), 1) << c.stored;
        EXPECT_EQ(in.reverbSend, c.taken) << c.stored;
    }
}

TEST_F(PlayerChunkTest, TheLastOccupiedRecordsSelectionStays) {
    auto p = Player();
    Chunk c = Get(*p);
    Put<int32_t>(c, 228, 1);
    Put<int32_t>(c, Record(1) + 228, 0);
    Put<int32_t>(c, Record(5) + 228, 13); // an empty slot: ignored
    ASSERT_EQ(p->setChunk(c.data(), 3712, false), 1);
    EXPECT_EQ(p->editorHooks->selectedSlot, 0);
}

TEST_F(PlayerChunkTest, PresetsAndEmptyChunksAreRefused) {
    auto p = Player();
    void* data = nullptr;
    EXPECT_EQ(p->getChunk(&data, true), 0);
    EXPECT_EQ(data, nullptr);
    Chunk c = Get(*p);
    Put<double>(c, 16, 0.5);
    EXPECT_EQ(p->setChunk(c.data(), 3712, true), 0);
    EXPECT_EQ(p->setChunk(nullptr, 3712, false), 0);
    EXPECT_EQ(p->setChunk(c.data(), 0, false), 0);
    EXPECT_EQ(p->setChunk(c.data(), -5, false), 0);
    EXPECT_EQ(p->engine.instruments[0]->volume, 0.75) << "nothing applied";
}

TEST_F(PlayerChunkTest, RestoresWhileTheAudioThreadRenders) {
    auto p = Player();
    const Chunk c = Get(*p);
    AEffect* e = p->getAeffect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        for (int block = 0; !stop; ++block) {
            SendMidi(e, block % 2 ? 0x86 : 0x96, static_cast<uint8_t>(40 + block % 40), 100);
            Outputs out(64);
            e->processReplacing(e, nullptr, out.pointers, 64);
        }
    });
    for (int round = 0; round < 200; ++round) {
        Chunk changed = c;
        Put<double>(changed, 16, round / 200.0);
        ASSERT_EQ(p->setChunk(changed.data(), 3712, false), 1);
    }
    stop = true;
    audio.join();
    EXPECT_EQ(p->engine.instruments[0]->volume, 199 / 200.0);
}

} // namespace
