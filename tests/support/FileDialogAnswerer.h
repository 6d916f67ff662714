// Stands in for the user at the open and save dialogs: from a thread of its
// own it finds each dialog with the given title, types the answer's path
// into its file name field and presses OK (or, with an empty answer,
// Cancel). It keeps the start folder each dialog showed. The dialogs are
// this process's, or those of the program whose process id is given.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FileDialogAnswerer {
public:
    FileDialogAnswerer(std::wstring title, std::wstring answer, unsigned long process = 0);
    ~FileDialogAnswerer();
    FileDialogAnswerer(const FileDialogAnswerer&) = delete;
    FileDialogAnswerer& operator=(const FileDialogAnswerer&) = delete;

    int Answered() const { return answered_.load(); }

private:
    void Watch();

    std::wstring title_, answer_;
    unsigned long process_;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    std::thread thread_;
};
