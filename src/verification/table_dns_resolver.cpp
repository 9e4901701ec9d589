#include "verification/table_dns_resolver.h"

#include <QTimer>

void TableDnsResolver::addHost(const QHostAddress &address, const QByteArray &name)
{
    setNameReply(address, {DnsStatus::Answer, {name}, {}, {}});
    DnsReply &forward = addresses_[name.toLower()];
    forward.addresses.append(address);
}

void TableDnsResolver::lookUpName(const QHostAddress &address, DnsCallback done)
{
    answerLater(names_.value(address, DnsReply{DnsStatus::NoName, {}, {}, {}}), std::move(done));
}

void TableDnsResolver::lookUpAddresses(const QByteArray &name, QAbstractSocket::NetworkLayerProtocol family,
                                       DnsCallback done)
{
    DnsReply reply = addresses_.value(name.toLower(), DnsReply{DnsStatus::NoName, {}, {}, {}});
    reply.addresses.removeIf([family](const QHostAddress &address) { return address.protocol() != family; });
    answerLater(std::move(reply), std::move(done));
}

void TableDnsResolver::answerLater(DnsReply reply, DnsCallback done)
{
    ++lookups_;
    const quint64 id = nextId_++;
    pending_.emplace(id, std::move(done));
    QTimer::singleShot(delayMs_, this, [this, id, reply = std::move(reply)] {
        const auto found = pending_.find(id);
        if (found == pending_.end())
            return;  // cancelled
        const DnsCallback callback = std::move(found->second);
        pending_.erase(found);
        callback(reply);
    });
}

void TableDnsResolver::cancelAll()
{
    std::map<quint64, DnsCallback> cancelled;
    cancelled.swap(pending_);
    for (auto &[id, callback] : cancelled) {
        QTimer::singleShot(0, this, [callback = std::move(callback)] {
            callback({DnsStatus::Cancelled, {}, {}, QStringLiteral("已停止")});
        });
    }
}
