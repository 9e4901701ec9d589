#pragma once

#include <QByteArrayView>
#include <QHostAddress>
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

// The client as written in a log ("66.249.66.1", "::ffff:66.249.66.1",
// "[2001:db8::1]") as an address, IPv4-mapped IPv6 made IPv4; null when
// the text is no address.
QHostAddress ParseClientAddress(QByteArrayView text);

// Private, loopback, link-local, shared and unique-local addresses: a
// proxy, a load balancer or the machine itself rather than a crawler.
bool IsLocalAddress(const QHostAddress &address);

// The real client behind proxies: the right-most address of a line's
// X-Forwarded-For list that is neither local nor a trusted proxy. Proxies
// append the address they were reached from, so what lies right of the first
// untrusted hop could have been written by anyone.
class ForwardedClients
{
public:
    // One --trusted-proxy value: prefixes ("203.0.113.0/24", "2001:db8::/32")
    // or single addresses, comma-separated. False, with the piece at fault in
    // `bad`, when one is neither.
    bool addTrusted(const QString &list, QString *bad);
    void finish() { trusted_.finish(); }

    // The client a record stands for: from `forwarded` when it names one, else `connecting`.
    QByteArrayView clientOf(QByteArrayView connecting, QByteArrayView forwarded) const;

private:
    AddressRanges trusted_;
};
