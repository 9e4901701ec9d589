#include "verification/dns_names.h"

#include <QHostAddress>

#include <algorithm>

QByteArray ReverseLookupName(const QHostAddress &address)
{
    QByteArray name;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 v4 = address.toIPv4Address();
        for (int shift = 0; shift < 32; shift += 8)
            name += QByteArray::number((v4 >> shift) & 0xff) + '.';
        return name + "in-addr.arpa";
    }
    const Q_IPV6ADDR v6 = address.toIPv6Address();
    static constexpr char kHex[] = "0123456789abcdef";
    for (int i = 15; i >= 0; --i) {
        name += kHex[v6[i] & 0xf];
        name += '.';
        name += kHex[v6[i] >> 4];
        name += '.';
    }
    return name + "ip6.arpa";
}

namespace {

constexpr int kLongestHostName = 254;  // with the final dot

bool isHostNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
}

}  // namespace

bool HostNameHasSuffix(const QByteArray &name, const QString &suffix)
{
    if (suffix.isEmpty() || name.size() > kLongestHostName || !std::all_of(name.begin(), name.end(), isHostNameByte))
        return false;
    QByteArrayView host(name);
    if (host.endsWith('.'))
        host.chop(1);
    const QByteArray wanted = suffix.toLatin1().toLower();
    if (host.size() < wanted.size())
        return false;
    const QByteArrayView tail = host.last(wanted.size());
    if (tail.toByteArray().toLower() != wanted)
        return false;
    return host.size() == wanted.size() || host[host.size() - wanted.size() - 1] == '.';
}

bool HostNameHasAnySuffix(const QByteArray &name, const QStringList &suffixes)
{
    for (const QString &suffix : suffixes) {
        if (HostNameHasSuffix(name, suffix))
            return true;
    }
    return false;
}

QString EscapedDnsName(const QByteArray &name)
{
    constexpr int kShown = 253;
    QString text;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (text.size() >= kShown) {
            text += u'…';
            break;
        }
        const char c = name[i];
        if (isHostNameByte(c))
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
    }
    return text;
}
