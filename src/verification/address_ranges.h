#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <utility>
#include <vector>

// A set of IPv4 and IPv6 prefixes, kept as sorted, merged intervals so that
// a look-up is one binary search whatever the number of prefixes.
class AddressRanges
{
public:
    // "66.249.64.0/27" or "2001:4860:4801:10::/64"; false (and nothing added)
    // when the text is no prefix of that family. finish() before contains().
    bool addPrefix(const QString &prefix, QAbstractSocket::NetworkLayerProtocol family);
    void finish();
    bool contains(const QHostAddress &address) const;
    bool isEmpty() const { return v4_.empty() && v6_.empty(); }

private:
    using V6 = unsigned __int128;
    template <typename Key>
    static void merge(std::vector<std::pair<Key, Key>> &ranges);
    template <typename Key>
    static bool find(const std::vector<std::pair<Key, Key>> &ranges, Key key);

    std::vector<std::pair<quint32, quint32>> v4_;
    std::vector<std::pair<V6, V6>> v6_;
};

// A published list of a crawler's addresses:
// {"creationTime": "...", "prefixes": [{"ipv4Prefix": "66.249.64.0/27"}, {"ipv6Prefix": "…"}]}
struct AddressList
{
    QString creationTime;  // as the list says; empty when it does not
    AddressRanges ranges;
    int prefixCount = 0;
};

// The list in these bytes, taken whole or not at all: `problem` says why not
// (not JSON, no "prefixes" array, an invalid prefix) and the result is empty.
AddressList ParseAddressList(const QByteArray &json, QString *problem);

// The client as written in a log ("66.249.66.1", "::ffff:66.249.66.1",
// "[2001:db8::1]") as an address, IPv4-mapped IPv6 made IPv4; null when
// the text is no address.
QHostAddress ParseClientAddress(QByteArrayView text);

// Private, loopback, link-local, shared and unique-local addresses: a
// proxy, a load balancer or the machine itself rather than a crawler.
bool IsLocalAddress(const QHostAddress &address);
