#include "MalformedBanks.h"

#include "SoundFontWriter.h"

#include <functional>

namespace {

std::vector<int16_t> Ramp(int frames, int step) {
    std::vector<int16_t> v;
    for (int i = 0; i < frames; ++i) v.push_back(static_cast<int16_t>((i * step * 37) % 30000 - 15000));
    return v;
}

SoundFontWriter GoodBank() {
    SoundFontWriter w;
    w.AddSample("A", Ramp(100, 1), 60, 10, 90);
    w.AddStereoPair("S", Ramp(80, 2), Ramp(80, 3), 64);
    w.AddSample("B", Ramp(120, 5), 72, 20, 100);
    w.AddInstrument("Keys", {{{53, 0}}, {{53, 1}}, {{53, 2}}, {{53, 3}}});
    w.AddInstrument("Pad", {{{53, 3}}});
    return w;
}

struct Case {
    const char* name;
    std::function<void(SoundFontWriter&)> change;
    int status, waves;
    std::vector<int> zones;
};

} // namespace

std::vector<MalformedBank> MalformedBanks() {
    const Case cases[] = {
        {"good", [](SoundFontWriter&) {}, 0, 4, {3, 1}},
        {"instBagNdx-backwards", [](SoundFontWriter& w) { w.inst[0].bagIndex = 3, w.inst[1].bagIndex = 1; }, 0, 4, {0, 3}},
        {"instBagNdx-past-ibag", [](SoundFontWriter& w) { w.inst[1].bagIndex = 900; }, 0, 4, {0, 0}},
        {"genNdx-backwards", [](SoundFontWriter& w) { w.ibag[0].genIndex = 3, w.ibag[4].genIndex = 1; }, 0, 4, {0, 3}},
        {"genNdx-past-igen", [](SoundFontWriter& w) { w.ibag[4].genIndex = 60000; }, 0, 4, {0, 0}},
        {"sampleID-past-shdr", [](SoundFontWriter& w) { w.igen[3].amount = 700; }, 0, 4, {2, 1}},
        {"sampleID-terminal", [](SoundFontWriter& w) { w.igen[0].amount = 4; }, 0, 4, {2, 1}},
        // L cannot be written, so R is not its skipped partner: R's zone is
        // written, and so is B after it (L does not link back to R).
        {"sampleLink-past-shdr", [](SoundFontWriter& w) { w.shdr[1].sampleLink = 700; }, 0, 3, {3, 1}},
        {"sampleLink-terminal", [](SoundFontWriter& w) { w.shdr[1].sampleLink = 4; }, 0, 3, {3, 1}},
        {"start-after-end", [](SoundFontWriter& w) { w.shdr[0].start = w.shdr[0].end + 1; }, 0, 3, {2, 1}},
        {"sample-past-smpl",
         [](SoundFontWriter& w) { w.shdr[3].end = static_cast<uint32_t>(w.smpl.size()) + 10; }, 0, 3, {2, 0}},
        {"partner-past-smpl",
         [](SoundFontWriter& w) {
             w.shdr[2].start = static_cast<uint32_t>(w.smpl.size()) + 5;
             w.shdr[2].end = w.shdr[2].start + 80;
         },
         0, 2, {2, 1}},
        {"sample-end-near-4G",
         [](SoundFontWriter& w) {
             w.shdr[0].start = 0xFFFFFF00u;
             w.shdr[0].end = 0xFFFFFFFFu;
         },
         0, 3, {2, 1}},
        {"loop-outside-sample",
         [](SoundFontWriter& w) {
             w.shdr[3].startLoop = 0;
             w.shdr[3].endLoop = 0xFFFFFFFFu;
         },
         0, 4, {3, 1}},
        {"no-smpl", [](SoundFontWriter& w) { w.Omit("smpl"); }, 0, 0, {0, 0}},
        {"no-sdta", [](SoundFontWriter& w) { w.Omit("sdta"); }, 0, 0, {0, 0}},
        {"smpl-size-near-4G", [](SoundFontWriter& w) { w.DeclaredSize("smpl", 0xFFFFFFF0u); }, 8, 0, {}},
        {"sm24", [](SoundFontWriter& w) { w.Sm24(); }, 0, 4, {3, 1}},
        {"empty-inst", [](SoundFontWriter& w) { w.Body("inst", {}); }, 0, 4, {}},
        {"empty-shdr", [](SoundFontWriter& w) { w.Body("shdr", {}); }, 0, 0, {0, 0}},
        {"empty-ibag-igen", [](SoundFontWriter& w) { w.Body("ibag", {}).Body("igen", {}); }, 0, 4, {0, 0}},
        {"no-terminals", [](SoundFontWriter& w) { w.NoTerminals(); }, 0, 3, {2}},
        {"igen-count-overflow", [](SoundFontWriter& w) { w.DeclaredSize("igen", 65536 * 4); }, 4, 0, {}},
        {"shdr-size-near-4G", [](SoundFontWriter& w) { w.DeclaredSize("shdr", 0xFFFFFFFEu); }, 4, 0, {}},
        {"riff-size-near-4G", [](SoundFontWriter& w) { w.DeclaredSize("RIFF", 0xFFFFFFFFu); }, 0, 4, {3, 1}},
        {"info-text-size-near-4G", [](SoundFontWriter& w) { w.DeclaredSize("INAM", 0xFFFFFFFFu); }, 8, 0, {}},
        {"zero-sized-info-list", [](SoundFontWriter& w) { w.DeclaredSize("INFO", 0); }, 0, 4, {3, 1}},
        {"short-ifil", [](SoundFontWriter& w) { w.Body("ifil", {2, 0}); }, 10, 0, {}},
        {"no-ifil", [](SoundFontWriter& w) { w.Omit("ifil"); }, 10, 0, {}},
        {"version-3", [](SoundFontWriter& w) { w.Version(3, 0); }, 10, 0, {}},
        {"rom-without-irom", [](SoundFontWriter& w) { w.shdr[0].sampleType = 0x8001; }, 6, 0, {}},
        {"not-sfbk", [](SoundFontWriter& w) { w.FormType("WAVE"); }, 8, 0, {}},
        {"no-pdta", [](SoundFontWriter& w) { w.Omit("pdta"); }, 8, 0, {}},
        {"no-imod", [](SoundFontWriter& w) { w.Omit("imod"); }, 8, 0, {}},
        // Chunks are taken as unpadded: an odd chunk without a pad byte reads
        // well, and a pad byte throws the scan off.
        {"odd-chunk", [](SoundFontWriter& w) { w.RawInfo("ICMT", "odd"); }, 0, 4, {3, 1}},
        {"odd-chunk-padded", [](SoundFontWriter& w) { w.RawInfo("ICMT", "odd").PadOddChunks(); }, 8, 0, {}},
    };
    std::vector<MalformedBank> banks;
    for (const Case& c : cases) {
        SoundFontWriter w = GoodBank();
        c.change(w);
        banks.push_back({c.name, w.Build(), c.status, c.waves, c.zones});
    }
    Bytes truncated = GoodBank().Build();
    truncated.resize(truncated.size() - 30);
    banks.push_back({"truncated-in-shdr", truncated, 4, 0, {}});
    banks.push_back({"not-riff", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'b', 'a', 'n', 'k', '!', '!'}, 5, 0, {}});
    banks.push_back({"empty-file", Bytes{}, 5, 0, {}});
    banks.push_back({"riff-header-only", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 's', 'f', 'b', 'k'}, 10, 0, {}});
    return banks;
}
