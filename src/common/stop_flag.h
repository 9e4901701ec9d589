#pragma once

#include <QtGlobal>

#include <atomic>

// A window's stop request: 0 when clear, -1 when set. A run clears it when it
// starts and reads it at its yields; a reader running on another thread may
// read it too, and Ctrl+C sets it on the command line, hence atomic.
class StopFlag
{
public:
    void request() { value_.store(-1, std::memory_order_relaxed); }
    void clear() { value_.store(0, std::memory_order_relaxed); }
    bool isSet() const { return value_.load(std::memory_order_relaxed) != 0; }
    qint16 value() const { return value_.load(std::memory_order_relaxed); }

private:
    // Lock-free, so that a signal handler may request the stop.
    static_assert(std::atomic<qint16>::is_always_lock_free);
    std::atomic<qint16> value_{0};
};
