// Answers the message boxes a test provokes as a user would: from a thread
// of its own it finds each box with the given caption, reads its text and
// presses its button, so the code under test goes on. The native build
// shows no boxes: there is nothing to answer and nothing is recorded.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class MessageBoxAnswerer {
public:
    // Whether this build shows message boxes at all.
    static const bool kBoxesShown;

    struct Box {
        std::wstring text;
        bool hasOwner;
    };

    // button: the one pressed (IDOK by default; IDYES, IDNO, IDCANCEL for
    // questions). process: the program whose boxes are answered (0: this
    // one).
    explicit MessageBoxAnswerer(std::wstring caption, int button = 1, unsigned long process = 0);
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // The boxes answered so far, in order.
    std::vector<Box> Answered() const;
    std::vector<std::wstring> Texts() const;

private:
    void Watch();

    std::wstring caption_;
    int button_ = 1;
    unsigned long process_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Box> answered_;
    std::thread thread_;
};
