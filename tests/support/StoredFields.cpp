#include "StoredFields.h"

#include <cwchar>

void FillStoredFields(KInstrument& in) {
    CopyWide(in.name, L"Strings");
    for (int layer = 0; layer < KInstrument::kLayers; ++layer) {
        const std::wstring name = L"Layer " + std::to_wstring(layer + 1);
        CopyWide(in.layerNames[layer], name.c_str());
    }
    in.pitchBendOn = 0;
    in.bendRange = 12;
    in.currentLayer = 2;
    in.modWheelSelectsLayer = 1;
    in.keySwitchOn = 1;
    in.sustainPedalOn = 1;
    in.reverbSize = 0.3f;
    in.reverbDamp = 0.7f;
    in.reverbSend = 0.4;
    in.volume = 0.5;
    in.pan = 61.0;
    in.reverbOn = 1;
    in.playAllLayers = 1;
    in.midiControllersOn = 0;
}

void FillStoredFields(KSampleZone& z) {
    const int64_t n = z.frameCount;
    z.startFrame = n / 100;
    z.endFrame = n - n / 10;
    z.loopStart = n / 4;
    z.loopEnd = n / 2;
    z.loopMode = 2;
    z.volumeDb = -6.5f;
    z.pan = 12.0f;
    z.ampAttack = 3.0f;
    z.ampDecay = 40.0f;
    z.ampSustain = -12.0f;
    z.ampRelease = 900.0f;
    z.cutoff = 40.0f;
    z.resonance = 3.5f;
    z.keyToCutoff = 0.75f;
    z.velocityToCutoff = -0.5f;
    z.coarseTune = -5;
    z.fineTune = 33;
    z.keyTracking = 0;
    z.exclusiveGroup = 4;
    z.releaseTrigger = 1;
}

namespace {
struct Field {
    const char* name;
    double a, b;
};

std::vector<std::string> Differ(std::initializer_list<Field> fields) {
    std::vector<std::string> names;
    for (const Field& f : fields)
        if (f.a != f.b) names.push_back(f.name);
    return names;
}
} // namespace

std::vector<std::string> StoredFieldsDiffer(const KInstrument& a, const KInstrument& b) {
    std::vector<std::string> names = Differ({
        {"midiChannel", double(a.midiChannel), double(b.midiChannel)},
        {"outputPair", double(a.outputPair), double(b.outputPair)},
        {"pitchBendOn", double(a.pitchBendOn), double(b.pitchBendOn)},
        {"bendRange", double(a.bendRange), double(b.bendRange)},
        {"currentLayer", double(a.currentLayer), double(b.currentLayer)},
        {"modWheelSelectsLayer", double(a.modWheelSelectsLayer), double(b.modWheelSelectsLayer)},
        {"keySwitchOn", double(a.keySwitchOn), double(b.keySwitchOn)},
        {"sustainPedalOn", double(a.sustainPedalOn), double(b.sustainPedalOn)},
        {"reverbSize", a.reverbSize, b.reverbSize},
        {"reverbDamp", a.reverbDamp, b.reverbDamp},
        {"reverbSend", a.reverbSend, b.reverbSend},
        {"volume", a.volume, b.volume},
        {"pan", a.pan, b.pan},
        {"reverbOn", double(a.reverbOn), double(b.reverbOn)},
        {"playAllLayers", double(a.playAllLayers), double(b.playAllLayers)},
        {"midiControllersOn", double(a.midiControllersOn), double(b.midiControllersOn)},
        {"zoneCount", double(a.zoneCount), double(b.zoneCount)},
    });
    if (std::wcscmp(a.name, b.name) != 0) names.push_back("name");
    for (int layer = 0; layer < KInstrument::kLayers; ++layer)
        if (std::wcscmp(a.layerNames[layer], b.layerNames[layer]) != 0)
            names.push_back("layerNames[" + std::to_string(layer) + "]");
    return names;
}

std::vector<std::string> StoredFieldsDiffer(const KSampleZone& a, const KSampleZone& b) {
    return Differ({
        {"startFrame", double(a.startFrame), double(b.startFrame)},
        {"endFrame", double(a.endFrame), double(b.endFrame)},
        {"loopStart", double(a.loopStart), double(b.loopStart)},
        {"loopEnd", double(a.loopEnd), double(b.loopEnd)},
        {"loopMode", double(a.loopMode), double(b.loopMode)},
        {"keyLow", double(a.keyLow), double(b.keyLow)},
        {"keyHigh", double(a.keyHigh), double(b.keyHigh)},
        {"velocityLow", double(a.velocityLow), double(b.velocityLow)},
        {"velocityHigh", double(a.velocityHigh), double(b.velocityHigh)},
        {"volumeDb", a.volumeDb, b.volumeDb},
        {"pan", a.pan, b.pan},
        {"ampAttack", a.ampAttack, b.ampAttack},
        {"ampDecay", a.ampDecay, b.ampDecay},
        {"ampSustain", a.ampSustain, b.ampSustain},
        {"ampRelease", a.ampRelease, b.ampRelease},
        {"cutoff", a.cutoff, b.cutoff},
        {"resonance", a.resonance, b.resonance},
        {"keyToCutoff", a.keyToCutoff, b.keyToCutoff},
        {"velocityToCutoff", a.velocityToCutoff, b.velocityToCutoff},
        {"coarseTune", double(a.coarseTune), double(b.coarseTune)},
        {"fineTune", double(a.fineTune), double(b.fineTune)},
        {"rootKey", double(a.rootKey), double(b.rootKey)},
        {"keyTracking", double(a.keyTracking), double(b.keyTracking)},
        {"layer", double(a.layer), double(b.layer)},
        {"exclusiveGroup", double(a.exclusiveGroup), double(b.exclusiveGroup)},
        {"releaseTrigger", double(a.releaseTrigger), double(b.releaseTrigger)},
    });
}
