#include "logs/client_address.h"

#include <algorithm>

template <typename Key>
void AddressRanges::merge(std::vector<std::pair<Key, Key>> &ranges)
{
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<Key, Key>> merged;
    for (const auto &range : ranges) {
        const bool touches = !merged.empty()
                             && (merged.back().second == static_cast<Key>(~Key{0})
                                 || range.first <= merged.back().second + 1);
        if (touches)
            merged.back().second = std::max(merged.back().second, range.second);
        else
            merged.push_back(range);
    }
    ranges = std::move(merged);
}

void AddressRanges::finish()
{
    merge(v4_);
    merge(v6_);
}

template <typename Key>
bool AddressRanges::find(const std::vector<std::pair<Key, Key>> &ranges, Key key)
{
    auto after = std::upper_bound(ranges.begin(), ranges.end(), key,
                                  [](Key k, const std::pair<Key, Key> &range) { return k < range.first; });
    return after != ranges.begin() && std::prev(after)->second >= key;
}

namespace {

// Four decimal numbers without leading zeros: "2.055.64.0" is refused, since
// QHostAddress reads 055 as octal where the list's author likely meant 55.
bool isDottedQuad(const QString &address)
{
    const QStringList parts = address.split(u'.');
    return parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](const QString &part) {
               return !part.isEmpty() && part.size() <= 3 && (part.size() == 1 || part.front() != u'0');
           });
}

}  // namespace

bool AddressRanges::addPrefix(const QString &prefix, QAbstractSocket::NetworkLayerProtocol family)
{
    const qsizetype slash = prefix.indexOf(u'/');
    const QString address = prefix.left(slash);
    const QString lengthText = prefix.mid(slash + 1);
    // Written out in full: dotted quads, hex groups, a decimal length; nothing QHostAddress would also take.
    const bool plain = slash > 0 && !lengthText.isEmpty() && lengthText.size() <= 3
                       && std::all_of(lengthText.begin(), lengthText.end(), [](QChar c) { return c.isDigit(); })
                       && std::all_of(address.begin(), address.end(), [family](QChar c) {
                              return family == QAbstractSocket::IPv4Protocol
                                         ? (c >= u'0' && c <= u'9') || c == u'.'
                                         : (c >= u'0' && c <= u'9') || (c.toLower() >= u'a' && c.toLower() <= u'f') || c == u':';
                          })
                       && (family != QAbstractSocket::IPv4Protocol || isDottedQuad(address));
    const QHostAddress network(address);
    const int length = lengthText.toInt();
    if (!plain || network.protocol() != family)
        return false;
    if (family == QAbstractSocket::IPv4Protocol) {
        if (length < 0 || length > 32)
            return false;
        const quint32 hostBits = length == 0 ? ~0u : (1u << (32 - length)) - 1;
        const quint32 low = network.toIPv4Address() & ~hostBits;
        v4_.push_back({low, low | hostBits});
        return true;
    }
    if (length < 0 || length > 128)
        return false;
    const Q_IPV6ADDR bytes = network.toIPv6Address();
    V6 value = 0;
    for (int i = 0; i < 16; ++i)
        value = (value << 8) | bytes[i];
    const V6 hostBits = length == 0 ? ~V6{0} : (V6{1} << (128 - length)) - 1;
    v6_.push_back({value & ~hostBits, (value & ~hostBits) | hostBits});
    return true;
}

bool AddressRanges::contains(const QHostAddress &address) const
{
    if (address.protocol() == QAbstractSocket::IPv4Protocol)
        return find(v4_, address.toIPv4Address());
    if (address.protocol() != QAbstractSocket::IPv6Protocol)
        return false;
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    V6 value = 0;
    for (int i = 0; i < 16; ++i)
        value = (value << 8) | bytes[i];
    return find(v6_, value);
}

QHostAddress ParseClientAddress(QByteArrayView text)
{
    if (text.size() > 64)
        return {};
    if (text.startsWith('[') && text.endsWith(']'))
        text = text.sliced(1, text.size() - 2);
    QHostAddress address;
    if (text.isEmpty() || text.contains('%') || !address.setAddress(QString::fromLatin1(text)))
        return {};
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped && address.protocol() == QAbstractSocket::IPv6Protocol)
        return QHostAddress(v4);
    return address;
}

bool IsLocalAddress(const QHostAddress &address)
{
    static const AddressRanges local = [] {
        AddressRanges ranges;
        for (const char *prefix : {"10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16", "127.0.0.0/8", "169.254.0.0/16",
                                   "100.64.0.0/10"})
            ranges.addPrefix(QLatin1String(prefix), QAbstractSocket::IPv4Protocol);
        for (const char *prefix : {"::1/128", "fe80::/10", "fc00::/7"})
            ranges.addPrefix(QLatin1String(prefix), QAbstractSocket::IPv6Protocol);
        ranges.finish();
        return ranges;
    }();
    return local.contains(address);
}

bool ForwardedClients::addTrusted(const QString &list, QString *bad)
{
    for (QString prefix : list.split(u',', Qt::SkipEmptyParts)) {
        prefix = prefix.trimmed();
        const bool v6 = prefix.contains(u':');
        if (!prefix.contains(u'/'))
            prefix += v6 ? QStringLiteral("/128") : QStringLiteral("/32");
        if (!trusted_.addPrefix(prefix, v6 ? QAbstractSocket::IPv6Protocol : QAbstractSocket::IPv4Protocol)) {
            *bad = prefix;
            return false;
        }
    }
    return true;
}

QByteArrayView ForwardedClients::clientOf(QByteArrayView connecting, QByteArrayView forwarded) const
{
    while (!forwarded.isEmpty()) {
        const qsizetype comma = forwarded.lastIndexOf(',');
        const QByteArrayView candidate = forwarded.sliced(comma + 1).trimmed();
        forwarded.truncate(qMax<qsizetype>(comma, 0));
        const QHostAddress address = ParseClientAddress(candidate);
        if (!address.isNull() && !IsLocalAddress(address) && !trusted_.contains(address))
            return candidate;
    }
    return connecting;
}
