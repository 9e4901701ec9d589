#pragma once

#include "verification/dns_resolver.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>

// What DNS says about one client address: its reverse names and, for each
// name that could vouch for a crawler, that name's forward addresses.
struct DnsEvidence
{
    struct Forward
    {
        QByteArray name;
        DnsStatus status = DnsStatus::Answer;
        QList<QHostAddress> addresses;
        QString failure;
    };

    DnsStatus ptrStatus = DnsStatus::Answer;
    QString ptrFailure;
    QList<QByteArray> names;  // untrusted: match with dns_names.h, show with EscapedDnsName
    QList<Forward> forwards;
    qint64 checkedAt = 0;     // seconds since 1970, UTC

    const Forward *forwardOf(const QByteArray &name) const;
    // Only definite answers are kept: a time-out or a server failure is asked again next time.
    bool isDefinite() const;
};

// Answers per address in a JSON file of the per-user cache folder, each for
// 24 hours. The file is untrusted like any input: read within a size bound,
// checked entry by entry, ignored whole (with a warning) when it is no JSON.
class VerificationCache
{
public:
    static constexpr qint64 kLifetimeSeconds = 24 * 3600;
    // Answers a saved file holds at most (about 20 MB), the newest kept.
    static constexpr qsizetype kMostEntries = 100000;

    // ~/.cache/蛛迹通/蛛迹通/verification-cache.json on Linux.
    static QString defaultPath();

    // The fresh entries of the file at `path` as of `now`; a missing file is
    // an empty cache, a corrupt one too, with `warning` set.
    static VerificationCache load(const QString &path, qint64 now, QString *warning);

    const DnsEvidence *find(const QString &address) const;
    void store(const QString &address, const DnsEvidence &evidence);
    bool changed() const { return changed_; }

    // Atomically; false with `error` set when the file cannot be written.
    bool save(const QString &path, QString *error) const;

private:
    QHash<QString, DnsEvidence> entries_;
    bool changed_ = false;
};
