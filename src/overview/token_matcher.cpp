#include "overview/token_matcher.h"

#include "common/byte_search.h"

#include <algorithm>
#include <climits>
#include <deque>

namespace {

unsigned char normalised(unsigned char byte) { return byte == '+' ? ' ' : AsciiLower(byte); }

}  // namespace

TokenMatcher::TokenMatcher(const std::vector<Fragment> &fragments) : symbols_(256, 0)
{
    for (const Fragment &fragment : fragments)
        for (char c : fragment.text) {
            quint8 &symbol = symbols_[normalised(uchar(c))];
            if (symbol == 0)
                symbol = quint8(symbolCount_++);  // at most 256 distinct bytes, less the case twins
        }
    for (int byte = 'A'; byte <= 'Z'; ++byte)
        symbols_[byte] = symbols_[byte | 0x20];
    next_.assign(std::size_t(symbolCount_), 0);
    best_.assign(1, INT_MAX);
    for (const Fragment &fragment : fragments) {
        QByteArray text = fragment.text;
        for (char &c : text)
            c = char(normalised(uchar(c)));
        addFragment(text, fragment.rank);
    }
    link();
}

int TokenMatcher::symbolOf(unsigned char byte, bool plusIsSpace) const
{
    return symbols_[plusIsSpace && byte == '+' ? ' ' : byte];
}

void TokenMatcher::addFragment(const QByteArray &normalised, int rank)
{
    if (normalised.isEmpty())
        return;
    qint32 state = 0;
    for (char c : normalised) {
        const std::size_t edge = std::size_t(state) * std::size_t(symbolCount_) + symbols_[uchar(c)];
        if (next_[edge] == 0) {
            next_[edge] = qint32(best_.size());
            best_.push_back(INT_MAX);
            next_.resize(next_.size() + std::size_t(symbolCount_), 0);
        }
        state = next_[edge];
    }
    best_[std::size_t(state)] = std::min(best_[std::size_t(state)], rank);
}

// Turns the trie into the automaton: missing edges follow the failure links,
// and each state's best rank includes those of its proper suffixes.
void TokenMatcher::link()
{
    const std::size_t symbols = std::size_t(symbolCount_);
    std::vector<qint32> failure(best_.size(), 0);
    std::deque<qint32> queue;
    for (std::size_t symbol = 0; symbol < symbols; ++symbol)
        if (next_[symbol] != 0)
            queue.push_back(next_[symbol]);
    while (!queue.empty()) {
        const qint32 state = queue.front();
        queue.pop_front();
        best_[std::size_t(state)] = std::min(best_[std::size_t(state)], best_[std::size_t(failure[std::size_t(state)])]);
        for (std::size_t symbol = 0; symbol < symbols; ++symbol) {
            qint32 &edge = next_[std::size_t(state) * symbols + symbol];
            const qint32 fallback = next_[std::size_t(failure[std::size_t(state)]) * symbols + symbol];
            if (edge == 0) {
                edge = fallback;
            } else {
                failure[std::size_t(edge)] = fallback;
                queue.push_back(edge);
            }
        }
    }
}

int TokenMatcher::bestRank(QByteArrayView text, bool plusIsSpace) const
{
    const std::size_t symbols = std::size_t(symbolCount_);
    int best = INT_MAX;
    qint32 state = 0;
    for (char c : text) {
        state = next_[std::size_t(state) * symbols + std::size_t(symbolOf(uchar(c), plusIsSpace))];
        best = std::min(best, best_[std::size_t(state)]);
    }
    return best == INT_MAX ? kNoMatch : best;
}
