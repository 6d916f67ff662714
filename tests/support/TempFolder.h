// A fresh folder under the system's temporary folder, removed with the object.
#pragma once

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Full wide path of a file in the folder, with the platform's separator.
    std::wstring File(const std::wstring& name) const;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};
