#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

// Runs work(0) ... work(count - 1) on up to `threads` threads (the calling
// one among them), each taking the next index not yet taken, and returns
// when all are done. Work items must not depend on each other's order.
inline void ParallelFor(std::size_t count, int threads, const std::function<void(std::size_t)> &work)
{
    std::atomic<std::size_t> next{0};
    auto run = [&] {
        for (std::size_t index = next++; index < count; index = next++)
            work(index);
    };
    std::vector<std::thread> helpers;
    for (std::size_t helper = 1; helper < std::min(count, std::size_t(std::max(threads, 1))); ++helper)
        helpers.emplace_back(run);
    run();
    for (std::thread &helper : helpers)
        helper.join();
}
