#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <functional>

// How a lookup ended. NoName is NXDOMAIN; a name without records of the asked
// type is an Answer with nothing in it; BadName is a PTR answer whose name is
// no host name (control characters and the like): an answer all the same.
enum class DnsStatus : quint8 { Answer, NoName, TimedOut, ServerFailure, Cancelled, BadName };

struct DnsReply
{
    DnsStatus status = DnsStatus::Answer;
    QList<QByteArray> names;        // PTR: the reverse names, as the server sent them (untrusted bytes)
    QList<QHostAddress> addresses;  // A or AAAA
    QString failure;                // TimedOut, ServerFailure: what happened, in Chinese
};

using DnsCallback = std::function<void(const DnsReply &)>;

// Asynchronous DNS on the event loop of the thread that made the resolver.
// Every lookup calls its callback exactly once, on that thread, never from
// inside the lookup call itself.
class DnsResolver
{
public:
    virtual ~DnsResolver() = default;

    // PTR of the address.
    virtual void lookUpName(const QHostAddress &address, DnsCallback done) = 0;
    // A (IPv4) or AAAA (IPv6) records of the name.
    virtual void lookUpAddresses(const QByteArray &name, QAbstractSocket::NetworkLayerProtocol family,
                                 DnsCallback done) = 0;
    // Every pending lookup ends now, its callback called with Cancelled.
    virtual void cancelAll() = 0;
};

// At most this many names of one PTR answer and addresses of one A/AAAA
// answer are kept, each name at most kMaxDnsNameBytes: answers are untrusted.
constexpr int kMaxDnsNames = 4;
constexpr int kMaxDnsAddresses = 32;
constexpr int kMaxDnsNameBytes = 1024;
