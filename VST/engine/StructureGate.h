// Keeps structural edits (adding or deleting instruments and zones, loading)
// apart from rendering and refilling. The audio thread only ever tries to
// enter, once per block, and renders silence when an edit holds the gate; the
// disk thread enters around each refill; the editor waits for both to leave.
// A waiting edit turns new entries away, so it cannot be starved.
#pragma once

#include <atomic>
#include <thread>

class KStructureGate {
public:
    // Audio thread: never waits.
    bool TryEnterShared() {
        if (editWaiting_.load(std::memory_order_acquire)) return false;
        int readers = state_.load(std::memory_order_relaxed);
        while (readers >= 0) {
            if (state_.compare_exchange_weak(readers, readers + 1, std::memory_order_acquire,
                                             std::memory_order_relaxed))
                return true;
        }
        return false;
    }
    // Disk thread: may wait for an edit to finish.
    void EnterShared() {
        while (!TryEnterShared()) std::this_thread::yield();
    }
    void LeaveShared() { state_.fetch_sub(1, std::memory_order_release); }
    // An edit waits for those inside to leave.
    bool EditWaiting() const { return editWaiting_.load(std::memory_order_acquire) != 0; }

    // Editor thread: waits until no render or refill is inside. Edits nest
    // on the thread that holds the gate (a load adds instruments and zones).
    void EnterEdit() {
        if (owner_.load(std::memory_order_relaxed) == std::this_thread::get_id()) {
            ++depth_;
            return;
        }
        editWaiting_.fetch_add(1, std::memory_order_acq_rel);
        int idle = 0;
        while (!state_.compare_exchange_weak(idle, -1, std::memory_order_acquire, std::memory_order_relaxed)) {
            idle = 0;
            std::this_thread::yield();
        }
        editWaiting_.fetch_sub(1, std::memory_order_acq_rel);
        owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        depth_ = 1;
    }
    void LeaveEdit() {
        if (--depth_ > 0) return;
        owner_.store(std::thread::id(), std::memory_order_relaxed);
        state_.store(0, std::memory_order_release);
    }

private:
    std::atomic<int> state_{0}; // readers inside, or -1 while an edit holds it
    std::atomic<int> editWaiting_{0};
    std::atomic<std::thread::id> owner_{}; // the editing thread, for nesting
    int depth_ = 0;
};

// An edit scope; a null gate (an instrument outside any engine) guards nothing.
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
