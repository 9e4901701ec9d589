#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUdpSocket>

// A name server on 127.0.0.1 and a free UDP port for the tests: it answers
// PTR, A and AAAA from its tables, NXDOMAIN for names it does not know, and
// can answer SERVFAIL or not at all for chosen names.
class TinyDnsServer : public QObject
{
    Q_OBJECT

public:
    TinyDnsServer();

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(socket_.localPort()); }
    int queries() const { return queries_; }

    // `name`'s labels split at dots; any other byte goes into a label as it is.
    void addPtr(const QHostAddress &address, const QByteArray &name);
    void addAddress(const QByteArray &name, const QHostAddress &address);
    void setServerFailure(const QByteArray &queryName) { failing_.insert(queryName.toLower()); }
    void setSilent(const QByteArray &queryName) { silent_.insert(queryName.toLower()); }

private:
    void answer();

    struct Record
    {
        quint16 type;
        QByteArray data;
    };
    QUdpSocket socket_;
    QHash<QByteArray, QList<Record>> records_;  // query name, lower case, without the final dot
    QSet<QByteArray> failing_;
    QSet<QByteArray> silent_;
    int queries_ = 0;
};
