#pragma once

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

// Hands each line of a fuzz input, split at '\n' (the last one may lack it),
// to `take`.
template <typename Take>
void ForEachLine(const std::uint8_t *data, std::size_t size, Take &&take)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    for (QByteArrayView rest = input; !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        take(end < 0 ? rest : rest.first(end));
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
    }
}
