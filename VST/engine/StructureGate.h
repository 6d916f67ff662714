// Keeps structural edits (adding or deleting instruments and zones, loading)
// apart from the threads that read the structure: the audio thread once per
// block, the disk thread around each refill, the host's parameter calls.
// Readers never wait: they only count themselves in and out. An edit
// publishes what it adds with one atomic store and, before it frees what it
// took out, waits until every reader that might still hold it has left
// (each reader stays in for one block, one refill or one call at most).
// Only a hold (a load, a new project, a sample-rate change) turns blocks
// away: while one is on, a block renders silence and keeps its events.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

class KStructureGate {
public:
    // Any reading thread; never waits. The token goes back to LeaveShared.
    int EnterShared() {
        const int phase = phase_.load(std::memory_order_relaxed);
        // Ordered before every pointer the reader loads (the edit's store of
        // a null and its look at the counts are ordered the other way).
        readers_[phase].fetch_add(1, std::memory_order_seq_cst);
        return phase;
    }
    void LeaveShared(int token) { readers_[token].fetch_sub(1, std::memory_order_release); }
    // Inside: a hold is on (test after entering: a hold set before the
    // entry is seen, one set after it waits for the reader to leave).
    bool Held() const { return holds_.load(std::memory_order_seq_cst) != 0; }

    // Editing threads: one edit at a time; edits nest on the thread that
    // holds the gate (a load adds instruments and zones).
    void EnterEdit() { edit_.lock(); }
    void LeaveEdit() { edit_.unlock(); }

    // Inside an edit: returns once every reader that entered before the call
    // has left, so nothing unpublished before it is still read. Readers that
    // enter meanwhile count apart, so a steady stream of them cannot keep
    // the edit waiting.
    void WaitForReaders() {
        std::lock_guard<std::recursive_mutex> edit(edit_);
        for (int round = 0; round < 2; ++round) {
            const int waited = phase_.load(std::memory_order_relaxed);
            phase_.store(waited ^ 1, std::memory_order_seq_cst);
            // A block lasts milliseconds: yield at first, then sleep.
            for (int spins = 0; readers_[waited].load(std::memory_order_seq_cst) != 0; ++spins) {
                if (spins < 200) std::this_thread::yield();
                else std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
    }

    // Editing threads: pauses rendering and returns once no block runs.
    void Hold() {
        EnterEdit();
        holds_.fetch_add(1, std::memory_order_seq_cst);
        WaitForReaders();
    }
    void Release() {
        holds_.fetch_sub(1, std::memory_order_seq_cst);
        LeaveEdit();
    }

private:
    std::atomic<int> readers_[2] = {{0}, {0}};
    std::atomic<int> phase_{0};
    std::atomic<int> holds_{0};
    std::recursive_mutex edit_;
};

// A reader's scope; a null gate (an instrument outside any engine) guards
// nothing.
class KStructureRead {
public:
    explicit KStructureRead(KStructureGate* gate) : gate_(gate), token_(gate != nullptr ? gate->EnterShared() : 0) {}
    ~KStructureRead() {
        if (gate_ != nullptr) gate_->LeaveShared(token_);
    }
    bool Held() const { return gate_ != nullptr && gate_->Held(); }
    KStructureRead(const KStructureRead&) = delete;
    KStructureRead& operator=(const KStructureRead&) = delete;

private:
    KStructureGate* gate_;
    int token_;
};

// An edit's scope.
class KStructureEdit {
public:
    explicit KStructureEdit(KStructureGate* gate) : gate_(gate) {
        if (gate_ != nullptr) gate_->EnterEdit();
    }
    ~KStructureEdit() {
        if (gate_ != nullptr) gate_->LeaveEdit();
    }
    KStructureEdit(const KStructureEdit&) = delete;
    KStructureEdit& operator=(const KStructureEdit&) = delete;

private:
    KStructureGate* gate_;
};

// A hold's scope: no block renders inside it.
class KRenderHold {
public:
    explicit KRenderHold(KStructureGate* gate) : gate_(gate) {
        if (gate_ != nullptr) gate_->Hold();
    }
    ~KRenderHold() {
        if (gate_ != nullptr) gate_->Release();
    }
    KRenderHold(const KRenderHold&) = delete;
    KRenderHold& operator=(const KRenderHold&) = delete;

private:
    KStructureGate* gate_;
};

// Pointers shared with the reading threads: published and unpublished by an
// edit, loaded by a reader inside its read scope. Both sides are sequentially
// consistent (a plain load or store on x86), which the gate's wait relies on.
template <typename T>
T* LoadShared(T* const& slot) {
    return __atomic_load_n(&slot, __ATOMIC_SEQ_CST);
}
template <typename T>
void PublishShared(T*& slot, T* value) {
    __atomic_store_n(&slot, value, __ATOMIC_SEQ_CST);
}
