#include "OptDlg.h"

#include "MIDIInException.h"
#include "ShellResources.h"
#include "WinApp.h"

namespace {
const midi::CMIDIInputList kSystemMidiInputs;
}

COptDlg::COptDlg(CKASIO* asio, const midi::CMIDIInputList* midiInputs)
    : CDialog(IDD_OPTIONS), asio(asio), midiInputs(midiInputs != nullptr ? midiInputs : &kSystemMidiInputs) {}

void COptDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_ASIO, asioList);
    DDX_Control(dx, IDC_MIDI, midiList);
    DDX_Control(dx, IDC_RATE, rateList);
    DDX_Control(dx, IDC_SAVELAST, saveLastCheck);
}

BOOL COptDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    asioList.ResetContent();
    asioList.AddString("None");
    for (int32_t i = 0; asio != nullptr && i < asio->nameCount; ++i) asioList.AddString(asio->GetDriverName(i));
    FillMidiInputs();
    rateList.ResetContent();
    rateList.AddString("44100Hz");
    rateList.AddString("48000Hz");
    rateList.AddString("96000Hz");
    // A preset beyond its list (a device gone since) shows the list's first
    // entry, which is what OK then stores.
    auto select = [](CComboBox& list, int32_t index) { list.SetCurSel(index < list.GetCount() ? index : 0); };
    select(asioList, asioSel);
    select(midiList, midiSel);
    select(rateList, rateSel);
    saveLastCheck.SetCheck(saveLast != 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void COptDlg::FillMidiInputs() {
    midiList.ResetContent();
    midiList.AddString("None");
    try {
        const UINT count = midiInputs->Count();
        for (UINT id = 0; id < count; ++id) midiList.AddString(midiInputs->Name(id).c_str());
    } catch (const midi::CMIDIInException& failure) {
        // The inputs listed so far stay choosable.
        AfxMessageBox(failure.what(), MB_OK);
    }
}

void COptDlg::OnOK() {
    // A list without a selection (a preset beyond its end) counts as its
    // first entry.
    auto selection = [](const CComboBox& list) { return list.GetCurSel() < 0 ? 0 : list.GetCurSel(); };
    asioSel = selection(asioList);
    midiSel = selection(midiList);
    rateSel = selection(rateList);
    saveLast = saveLastCheck.GetCheck() == BST_CHECKED ? 1 : 0;
    EndDialog(IDOK);
}
