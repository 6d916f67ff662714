#include "InstrumentSettingsDialog.h"

#include "SkinNames.h"

namespace {
constexpr size_t kPictureCount =
    sizeof skin::kInstrumentSettingsImages / sizeof skin::kInstrumentSettingsImages[0];
constexpr int kToggleLeft = 224;
} // namespace

KISDlg::KISDlg(HINSTANCE module, HWND parent)
    : KSkinnedDialog(module, parent, skin::kInstrumentSettingsImages, kPictureCount) {}

KISDlg::~KISDlg() { DestroyPanel(); }

void KISDlg::OnInitDialog() {
    if (!CreatePanel(L"Instrument Settings", OnCommand)) return;
    // In the order of skin::kInstrumentSettingsImages.
    Gdiplus::Bitmap* okImage = Picture(1);
    Gdiplus::Bitmap* checkImage = Picture(2);

    SetWidgetImage(okImage, &okButton, kOkId, false, 125, 248);
    AddWidget(panel.model, &okButton);
    // The picture's rows from the top: pitch bend, sustain, mod wheel, first
    // octave (the keyswitch), stack, controllers.
    const struct {
        KToggle* toggle;
        int top;
        bool on;
    } rows[] = {
        {&pitchBendToggle, 45, pitchBendOn},         {&sustainPedalToggle, 79, sustainPedalOn},
        {&keySwitchToggle, 147, keySwitchOn},        {&modWheelToggle, 113, modWheelSelectsLayer},
        {&playAllLayersToggle, 181, playAllLayers},  {&controllersToggle, 215, midiControllersOn},
    };
    for (const auto& row : rows) {
        // Id 0: the toggles tell nobody; OK reads them.
        KToggle::Create(row.toggle, checkImage, 0, kToggleLeft, row.top);
        row.toggle->SetValueSilently(row.on ? 1.0f : 0.0f);
        AddWidget(panel.model, row.toggle);
    }
}

void KISDlg::OnCommand(int id, void* context) {
    if (id == kOkId) static_cast<KISDlg*>(context)->OnOK();
}

void KISDlg::OnOK() {
    // A toggle that could not be made (no picture) keeps the state it was
    // given, so its field comes back unchanged.
    pitchBendOn = pitchBendToggle.IsOn();
    sustainPedalOn = sustainPedalToggle.IsOn();
    keySwitchOn = keySwitchToggle.IsOn();
    modWheelSelectsLayer = modWheelToggle.IsOn();
    playAllLayers = playAllLayersToggle.IsOn();
    midiControllersOn = controllersToggle.IsOn();
    ::EndDialog(DialogWindow(), 1);
}
