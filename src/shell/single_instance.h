#pragma once

#include <QString>

// Holds a lock on a file in the user's runtime folder ($XDG_RUNTIME_DIR) for
// as long as the program runs: one instance per user. The kernel releases it when the process ends, however it ends, so a
// crashed instance never leaves it stuck.
class SingleInstanceGuard
{
public:
    SingleInstanceGuard();
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard &) = delete;
    SingleInstanceGuard &operator=(const SingleInstanceGuard &) = delete;

    // False when another instance holds the lock.
    bool isFirst() const { return first_; }

private:
    int fd_ = -1;
    bool first_ = true;
};
