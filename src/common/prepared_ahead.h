#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <type_traits>
#include <utility>

// Calls use(i, prepare(i)) for every i below `count`, each item prepared some
// items before it is used: what prepare() starts loading from memory (a slot
// of a table that outgrows the cache) arrives while the items before it are
// used, and the waits of several items overlap instead of coming one by one.
template <typename Prepare, typename Use>
void ForEachPreparedAhead(std::size_t count, Prepare prepare, Use use)
{
    constexpr std::size_t kAhead = 16;
    std::array<std::invoke_result_t<Prepare &, std::size_t>, kAhead> prepared{};
    for (std::size_t i = 0; i < std::min(count, kAhead); ++i)
        prepared[i] = prepare(i);
    for (std::size_t i = 0; i < count; ++i) {
        auto ready = std::move(prepared[i % kAhead]);
        if (i + kAhead < count)
            prepared[i % kAhead] = prepare(i + kAhead);
        use(i, ready);
    }
}
