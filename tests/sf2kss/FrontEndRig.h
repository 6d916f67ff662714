// The converter's front end as a user has it: SF2KSS.exe copied, with a
// converter beside it or none, into a folder whose name has spaces and run
// as a program of its own. The test stands in for the user from outside
// the program: it presses the dialog's buttons, reads its texts and answers
// the file dialog and the folder picker the program opens.
#pragma once

#include <windows.h>

#include <string>

// The programs the tests install.
std::wstring FrontEndProgram();
std::wstring ConverterProgram();
std::wstring StandInConverterProgram();

// Makes the folder and every folder above it.
bool MakeFolders(const std::wstring& path);
// A folder under base whose full path is exactly length characters long,
// made of components with spaces in their names; made on disk.
std::wstring FolderOfLength(const std::wstring& base, size_t length);

// What the folder picker showed and what the test chose in it.
struct PickerSeen {
    bool found = false;
    std::wstring startLabel;     // the tree item selected when it opened
    std::wstring chosenLabel;    // the item selected when OK was pressed
};

class FrontEnd {
public:
    static constexpr const wchar_t* kCaption = L"SoundFont to Korvo Sampler Converter";
    static constexpr const wchar_t* kBoxCaption = L"Korvo Sampler";

    // Installs SF2KSS.exe into folder (made when missing), with converter
    // copied beside it as patchfold.exe unless it is empty, and starts it.
    FrontEnd(const std::wstring& folder, const std::wstring& converter);
    ~FrontEnd();
    FrontEnd(const FrontEnd&) = delete;
    FrontEnd& operator=(const FrontEnd&) = delete;

    // The program runs and shows its dialog.
    bool Shown() const { return dialog_ != nullptr; }
    // Why it does not, when it does not.
    const std::string& Failure() const { return failure_; }
    HWND Dialog() const { return dialog_; }
    DWORD ProcessId() const { return process_.dwProcessId; }

    std::wstring Caption() const;
    std::wstring Text(int id) const;
    // Clicks a button, without waiting for what it opens.
    void Press(int id) const;
    bool WaitForCaption(const std::wstring& caption, int timeoutMs) const;
    // Waits until no message box of the program is left and the dialog
    // takes input again.
    bool WaitUntilNoBox(int timeoutMs) const;

    // "..." of the SoundFont, answered in the file dialog with path.
    bool ChooseSoundFont(const std::wstring& path) const;
    // "..." of the output folder, answered in the folder picker with folder.
    PickerSeen ChooseOutputFolder(const std::wstring& folder) const;

    // Whether the program has ended within timeoutMs.
    bool Ended(int timeoutMs) const;
    // Presses Close and waits for the program to end: its exit code, or -1
    // when it did not end.
    int Close();

private:
    PROCESS_INFORMATION process_ = {};
    HWND dialog_ = nullptr;
    std::string failure_;
};
