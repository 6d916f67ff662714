// The Settings dialog: ASIO driver, sample rate, MIDI input and the
// "Save Last:" switch. It holds plain selections; the view presets them and
// reads them back after OK.
#pragma once

#include "Dialog.h"
#include "KASIO.h"
#include "MIDIInputList.h"

#include <cstdint>

class COptDlg : public CDialog {
public:
    // Lists the drivers of asio; the MIDI inputs of midiInputs (the system's
    // when null).
    explicit COptDlg(CKASIO* asio, const midi::CMIDIInputList* midiInputs = nullptr);

    static constexpr int32_t kRates[3] = {44100, 48000, 96000};

    CComboBox asioList;   // 1000
    CComboBox midiList;   // 1001
    CComboBox rateList;   // 1002
    CButton saveLastCheck;   // 1003
    CKASIO* asio;
    const midi::CMIDIInputList* midiInputs;
    // 0 is "None" in the driver and MIDI lists.
    int32_t asioSel = 0;
    int32_t midiSel = 0;
    int32_t rateSel = 0;
    int32_t saveLast = 0;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;

private:
    void FillMidiInputs();
};
