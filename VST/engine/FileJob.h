// The context of one load or save of a project, instrument or bank file.
#pragma once

#include "FileRecords.h"
#include "SharedStream.h"
#include "WideText.h"

class KSamplerEngine;

// Asks the user for a folder (the "Can not find samples" prompt): fills
// folder (capacity units) and returns true, or false when cancelled.
using KFolderPrompt = bool (*)(void* user, const wchar_t* title, wchar_t* folder, size_t capacity);

using KProgressCallback = void (*)(void* user, int arg);

struct KFileJob {
    KSamplerEngine* engine = nullptr;
    // The open file; after a bank is loaded its zones hold it, not the job.
    KSharedStream* stream = nullptr;
    wchar_t path[kPathLength] = {};
    KFileHeader header;
    KLibraryInfo info;
    KInstrumentRecord instrument;
    KZoneRecord zone;
    double progress = 0.0; // 0..1 over the zones of a save
    KProgressCallback progressCallback = nullptr;
    void* progressUser = nullptr;
    // Null: the system's folder picker.
    KFolderPrompt folderPrompt = nullptr;
    void* folderPromptUser = nullptr;
};
