#include "support/tiny_dns_server.h"

#include "verification/dns_names.h"

#include <QNetworkDatagram>
#include <QtEndian>

namespace {

constexpr quint16 kTypeA = 1, kTypePtr = 12, kTypeAaaa = 28;

void append16(QByteArray &bytes, quint16 value)
{
    bytes += char(value >> 8);
    bytes += char(value & 0xff);
}

QByteArray wireName(const QByteArray &name)
{
    QByteArray wire;
    for (const QByteArray &label : name.split('.')) {
        if (label.isEmpty())
            continue;
        wire += char(label.size());
        wire += label;
    }
    return wire + '\0';
}

}  // namespace

TinyDnsServer::TinyDnsServer()
{
    if (!socket_.bind(QHostAddress::LocalHost, 0))
        qFatal("the tiny DNS server cannot bind 127.0.0.1");
    connect(&socket_, &QUdpSocket::readyRead, this, &TinyDnsServer::answer);
}

void TinyDnsServer::addPtr(const QHostAddress &address, const QByteArray &name)
{
    records_[ReverseLookupName(address)].append({kTypePtr, wireName(name)});
}

void TinyDnsServer::addAddress(const QByteArray &name, const QHostAddress &address)
{
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        QByteArray data(4, '\0');
        qToBigEndian(address.toIPv4Address(), data.data());
        records_[name.toLower()].append({kTypeA, data});
    } else {
        const Q_IPV6ADDR v6 = address.toIPv6Address();
        records_[name.toLower()].append({kTypeAaaa, QByteArray(reinterpret_cast<const char *>(v6.c), 16)});
    }
}

void TinyDnsServer::answer()
{
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_.receiveDatagram(512);
        const QByteArray query = datagram.data();
        ++queries_;
        // The question: labels from byte 12 on, then type and class.
        QByteArray name;
        int at = 12;
        while (at < query.size() && query[at] != 0) {
            const int length = static_cast<unsigned char>(query[at]);
            name += (name.isEmpty() ? QByteArray() : QByteArray(".")) + query.mid(at + 1, length).toLower();
            at += length + 1;
        }
        if (at + 5 > query.size())
            continue;
        const quint16 type = qFromBigEndian<quint16>(query.constData() + at + 1);
        const QByteArray question = query.mid(12, at + 5 - 12);
        if (silent_.contains(name))
            continue;

        QList<Record> answers;
        for (const Record &record : records_.value(name)) {
            if (record.type == type)
                answers.append(record);
        }
        const int rcode = failing_.contains(name) ? 2 : records_.contains(name) ? 0 : 3;
        QByteArray reply = query.left(2);
        append16(reply, 0x8180 | rcode);
        append16(reply, 1);
        append16(reply, rcode == 0 ? answers.size() : 0);
        append16(reply, 0);
        append16(reply, 0);
        reply += question;
        for (const Record &record : rcode == 0 ? answers : QList<Record>()) {
            append16(reply, 0xc00c);  // the name of the question
            append16(reply, record.type);
            append16(reply, 1);
            reply += QByteArray("\0\0\x01\x2c", 4);  // TTL 300
            append16(reply, record.data.size());
            reply += record.data;
        }
        socket_.writeDatagram(datagram.makeReply(reply));
    }
}
