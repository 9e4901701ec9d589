#pragma once

#include "verification/dns_resolver.h"

#include <QHash>
#include <QObject>

#include <map>

// A resolver answering from tables after a set delay, for the tests and the
// benchmark: what is not in a table is NXDOMAIN.
class TableDnsResolver final : public QObject, public DnsResolver
{
    Q_OBJECT

public:
    explicit TableDnsResolver(int delayMs = 0, QObject *parent = nullptr) : QObject(parent), delayMs_(delayMs) {}

    void setNameReply(const QHostAddress &address, const DnsReply &reply) { names_.insert(address, reply); }
    void setAddressReply(const QByteArray &name, const DnsReply &reply) { addresses_.insert(name.toLower(), reply); }
    // A PTR name and the A/AAAA answer of that name, the usual good case.
    void addHost(const QHostAddress &address, const QByteArray &name);

    int lookups() const { return lookups_; }

    void lookUpName(const QHostAddress &address, DnsCallback done) override;
    void lookUpAddresses(const QByteArray &name, QAbstractSocket::NetworkLayerProtocol family,
                         DnsCallback done) override;
    void cancelAll() override;

private:
    void answerLater(DnsReply reply, DnsCallback done);

    int delayMs_;
    int lookups_ = 0;
    quint64 nextId_ = 0;
    QHash<QHostAddress, DnsReply> names_;
    QHash<QByteArray, DnsReply> addresses_;
    std::map<quint64, DnsCallback> pending_;
};
