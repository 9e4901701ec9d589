#pragma once

#include "verification/dns_resolver.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

struct ares_channeldata;
class QSocketNotifier;

// DNS through c-ares, driven by the Qt event loop: a socket notifier per
// socket c-ares opens and one timer for its next time-out, so nothing waits
// or polls. Each lookup is given up after `timeoutMs` (3 seconds unless a
// test wants less).
class CaresResolver final : public QObject, public DnsResolver
{
    Q_OBJECT

public:
    // `server` is "ADDRESS[:PORT]" ("127.0.0.1:5353", "[::1]:53") or several
    // of them separated by commas, empty for the system's name servers. A
    // server failure (SERVFAIL, REFUSED) is asked again of the next server.
    // Check ok() (and problem()) before use.
    explicit CaresResolver(const QString &server = QString(), int timeoutMs = kTimeoutMs, QObject *parent = nullptr);
    ~CaresResolver() override;

    static constexpr int kTimeoutMs = 3000;

    bool ok() const { return channel_ != nullptr; }
    QString problem() const { return problem_; }

    void lookUpName(const QHostAddress &address, DnsCallback done) override;
    void lookUpAddresses(const QByteArray &name, QAbstractSocket::NetworkLayerProtocol family,
                         DnsCallback done) override;
    void cancelAll() override;

private:
    struct Pending;
    struct SocketWatch;
    static void onSocketState(void *self, int socket, int readable, int writable);
    static void onQueryDone(void *pending, int status, int timeouts, unsigned char *answer, int length);

    int init(ares_channeldata **channel, int timeoutMs);
    // One more channel per server after the first, asking the servers from
    // that one on: where a server failure is asked again.
    int addFallbacks(int serverTimeoutMs);
    std::vector<ares_channeldata *> channels() const;
    void query(const QByteArray &name, int type, DnsCallback done, const QHostAddress &reverseOf);
    void process(int readSocket, int writeSocket);
    void scheduleTimeout();

    ares_channeldata *channel_ = nullptr;  // every server, in order
    std::vector<ares_channeldata *> fallbacks_;
    QString problem_;
    QHash<int, SocketWatch *> sockets_;
    QTimer timeout_;
    bool destroying_ = false;
};

// "ADDRESS[:PORT]" as c-ares takes it ("1.2.3.4:53", "[::1]:53"), several
// separated by commas; empty when one is no address or its port no number
// in 1–65535.
QString DnsServerSpec(const QString &text);
