// The editor's dialogs: Export, Sound Library Options, Instrument Settings
// and About, with what each copies in from the engine and back.
#include "SamplerGUI.h"

#include "AboutDialog.h"
#include "ExportDialog.h"
#include "InstrumentSettingsDialog.h"
#include "LibraryOptionsDialog.h"

#include <cstring>

void KSamplerGUI::OnExport() {
    KSamplerEngine& engine = plugin->engine;
    KFileJob job;
    job.engine = &engine;
    KExportDlg dialog(hInstance, panel.window, &job);
    CopyWide(dialog.folder, engine.exportFolder);
    dialog.Show();
    // Kept however the dialog ended: a folder chosen and not used is still
    // the next export's.
    CopyWide(engine.exportFolder, dialog.folder);
}

void KSamplerGUI::OnSoundLibraryOptions() {
    plugin->modified = true;
    KSamplerEngine& engine = plugin->engine;
    KSLDlg dialog(hInstance, panel.window);
    dialog.libraryName = engine.libraryName;
    dialog.vendorName = engine.vendorName;
    dialog.logoPicture = engine.logoPicture;
    dialog.backgroundPicture = engine.backgroundPicture;
    std::memcpy(dialog.uniqueId, engine.uniqueId, 4);
    dialog.uniqueId[4] = 0;
    dialog.uiStyle = engine.uiStyle;
    dialog.samplesInRelativePath = engine.samplesInRelativePath != 0;
    if (dialog.Show() != 1) return;
    engine.samplesInRelativePath = dialog.samplesInRelativePath ? 1 : 0;
    engine.uiStyle = dialog.uiStyle;
    // Each field holds 259 characters: a longer text is cut.
    CopyWide(engine.backgroundPicture, dialog.backgroundPicture.c_str());
    CopyWide(engine.logoPicture, dialog.logoPicture.c_str());
    CopyWide(engine.libraryName, dialog.libraryName.c_str());
    CopyWide(engine.vendorName, dialog.vendorName.c_str());
    // Exactly four bytes, zeros after a shorter code.
    std::memset(engine.uniqueId, 0, sizeof engine.uniqueId);
    std::memcpy(engine.uniqueId, dialog.uniqueId, 4);
}

void KSamplerGUI::OnInstrumentSettings() {
    plugin->modified = true;
    KInstrument* in = CurrentInstrument();
    if (in == nullptr) return;
    KISDlg dialog(hInstance, panel.window);
    dialog.pitchBendOn = in->pitchBendOn != 0;
    dialog.sustainPedalOn = in->sustainPedalOn != 0;
    dialog.keySwitchOn = in->keySwitchOn != 0;
    dialog.modWheelSelectsLayer = in->modWheelSelectsLayer != 0;
    dialog.playAllLayers = in->playAllLayers != 0;
    dialog.midiControllersOn = in->midiControllersOn != 0;
    // The host may have replaced the project while the dialog was up: the
    // values go only to the instrument they came from.
    if (dialog.Show() != 1 || CurrentInstrument() != in) return;
    // Single bytes: the audio thread reads them at its next events.
    in->pitchBendOn = dialog.pitchBendOn ? 1 : 0;
    in->sustainPedalOn = dialog.sustainPedalOn ? 1 : 0;
    in->keySwitchOn = dialog.keySwitchOn ? 1 : 0;
    in->modWheelSelectsLayer = dialog.modWheelSelectsLayer ? 1 : 0;
    in->playAllLayers = dialog.playAllLayers ? 1 : 0;
    in->midiControllersOn = dialog.midiControllersOn ? 1 : 0;
}

void KSamplerGUI::OnAbout() {
    KAboutDlg dialog(hInstance, panel.window);
    dialog.Show();
}
