#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The name a PTR lookup of the address asks for: "4.3.2.1.in-addr.arpa" or
// the nibbles of an IPv6 address under "ip6.arpa".
class QHostAddress;
QByteArray ReverseLookupName(const QHostAddress &address);

// True when `name` is `suffix` or ends in "." + suffix: googlebot.com matches
// crawl-1.googlebot.com, not xgooglebot.com nor googlebot.com.evil.example.
// Letter case and one trailing dot are ignored. A name that is no host name
// (longer than 253 bytes, any byte but letters, digits and "-._", such as
// the backslash of an escaped dot inside a label) matches nothing.
bool HostNameHasSuffix(const QByteArray &name, const QString &suffix);
bool HostNameHasAnySuffix(const QByteArray &name, const QStringList &suffixes);

// An untrusted name as text safe to print anywhere: letters, digits and
// "-._" as they are, every other byte as \xNN, cut after about 253
// characters (then "…").
QString EscapedDnsName(const QByteArray &name);
