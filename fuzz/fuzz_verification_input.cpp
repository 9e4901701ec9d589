// Feeds arbitrary bytes to what the crawler check takes from others: an
// address list (checking that a list taken matches what its prefixes say),
// a reverse name (shown escaped, never matched when it is no host name) and
// a client address from a log.
#include "verification/address_ranges.h"
#include "verification/dns_names.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckList(const QByteArray &bytes)
{
    QString problem;
    const AddressList list = ParseAddressList(bytes, &problem);
    Require(problem.isEmpty() || list.prefixCount == 0);
    if (!problem.isEmpty())
        return;
    // Each prefix's first address is in the list.
    for (const QJsonValue &entry : QJsonDocument::fromJson(bytes).object().value(QLatin1String("prefixes")).toArray()) {
        const QJsonObject object = entry.toObject();
        const QString prefix = object.contains(QLatin1String("ipv4Prefix")) ? object.value(QLatin1String("ipv4Prefix")).toString()
                                                                           : object.value(QLatin1String("ipv6Prefix")).toString();
        const QHostAddress network = QHostAddress::parseSubnet(prefix).first;
        Require(network.isNull() || list.ranges.contains(network));
    }
}

void CheckName(const QByteArray &name)
{
    const QString shown = EscapedDnsName(name);
    Require(shown.size() <= 260);
    for (const QChar c : shown)
        Require((c.unicode() >= 0x20 && c.unicode() < 0x7f) || c == u'…');
    const bool hostName = !name.isEmpty() && name.size() <= 254
                          && std::all_of(name.begin(), name.end(), [](char c) {
                                 return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                                        || c == '-' || c == '.' || c == '_';
                             });
    if (HostNameHasSuffix(name, QStringLiteral("googlebot.com")))
        Require(hostName && QString::fromLatin1(name).toLower().contains(QLatin1String("googlebot.com")));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    CheckList(bytes);
    CheckName(bytes);
    const QHostAddress client = ParseClientAddress(bytes);
    if (!client.isNull())
        IsLocalAddress(client);
    return 0;
}
