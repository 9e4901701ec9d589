#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// Finds, in one pass over a text, the best of many fragments it contains:
// an Aho-Corasick automaton over bytes, ASCII letter case ignored, '+' in the
// fragments read as a space (and in the text when asked). Each fragment has a
// rank; the text's best fragment is the one of lowest rank.
class TokenMatcher
{
public:
    struct Fragment
    {
        QByteArray text;
        int rank = 0;
    };
    static constexpr int kNoMatch = -1;

    explicit TokenMatcher(const std::vector<Fragment> &fragments);

    // The lowest rank among the fragments in `text`, or kNoMatch.
    int bestRank(QByteArrayView text, bool plusIsSpace) const;

private:
    int symbolOf(unsigned char byte, bool plusIsSpace) const;
    void addFragment(const QByteArray &normalised, int rank);
    void link();

    std::vector<quint8> symbols_;  // byte -> symbol; 0 for bytes no fragment holds
    int symbolCount_ = 1;
    std::vector<qint32> next_;     // state * symbolCount_ + symbol -> state
    std::vector<int> best_;        // per state: lowest rank of a fragment ending there
};
