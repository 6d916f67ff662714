// The body of a plug-in library's `main`: a host that answers version 0 is
// no host and gets nothing; otherwise one new effect object.
#pragma once

#include "AudioEffect.h"

#include <new>

template <class Effect, typename... Extra>
AEffect* CreateEffect(audioMasterCallback audioMaster, Extra... extra) {
    // Asked directly: the getMasterVersion wrapper turns a 0 into 1.
    if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    Effect* effect = new (std::nothrow) Effect(audioMaster, extra...);
    return effect != nullptr ? effect->getAeffect() : nullptr;
}
