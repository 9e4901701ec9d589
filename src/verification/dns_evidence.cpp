#include "verification/dns_evidence.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

namespace {

constexpr qint64 kMaxCacheFileBytes = 64 << 20;

bool isDefiniteStatus(DnsStatus status)
{
    return status == DnsStatus::Answer || status == DnsStatus::NoName || status == DnsStatus::BadName;
}

QJsonArray addressArray(const QList<QHostAddress> &addresses)
{
    QJsonArray array;
    for (const QHostAddress &address : addresses)
        array.append(address.toString());
    return array;
}

QList<QHostAddress> addressList(const QJsonArray &array)
{
    QList<QHostAddress> addresses;
    for (const QJsonValue &value : array) {
        const QHostAddress address(value.toString());
        if (!address.isNull() && addresses.size() < kMaxDnsAddresses)
            addresses.append(address);
    }
    return addresses;
}

// Names are kept as Latin-1 so that any byte survives the round trip.
QString nameText(const QByteArray &name) { return QString::fromLatin1(name); }
QByteArray nameBytes(const QJsonValue &value) { return value.toString().left(kMaxDnsNameBytes).toLatin1(); }

QJsonObject entryObject(const DnsEvidence &evidence)
{
    QJsonArray names;
    for (const QByteArray &name : evidence.names)
        names.append(nameText(name));
    QJsonArray forwards;
    for (const DnsEvidence::Forward &forward : evidence.forwards) {
        forwards.append(QJsonObject{{QStringLiteral("name"), nameText(forward.name)},
                                    {QStringLiteral("nxdomain"), forward.status == DnsStatus::NoName},
                                    {QStringLiteral("addresses"), addressArray(forward.addresses)}});
    }
    return {{QStringLiteral("t"), evidence.checkedAt},
            {QStringLiteral("nxdomain"), evidence.ptrStatus == DnsStatus::NoName},
            {QStringLiteral("bad_name"), evidence.ptrStatus == DnsStatus::BadName},
            {QStringLiteral("names"), names},
            {QStringLiteral("forwards"), forwards}};
}

DnsEvidence entryFrom(const QJsonObject &object)
{
    DnsEvidence evidence;
    evidence.checkedAt = object.value(QLatin1String("t")).toInteger();
    evidence.ptrStatus = object.value(QLatin1String("nxdomain")).toBool()   ? DnsStatus::NoName
                         : object.value(QLatin1String("bad_name")).toBool() ? DnsStatus::BadName
                                                                             : DnsStatus::Answer;
    for (const QJsonValue &name : object.value(QLatin1String("names")).toArray()) {
        if (evidence.names.size() < kMaxDnsNames)
            evidence.names.append(nameBytes(name));
    }
    for (const QJsonValue &value : object.value(QLatin1String("forwards")).toArray()) {
        const QJsonObject forward = value.toObject();
        if (evidence.forwards.size() < kMaxDnsNames)
            evidence.forwards.append({nameBytes(forward.value(QLatin1String("name"))),
                                      forward.value(QLatin1String("nxdomain")).toBool() ? DnsStatus::NoName
                                                                                         : DnsStatus::Answer,
                                      addressList(forward.value(QLatin1String("addresses")).toArray()),
                                      {}});
    }
    return evidence;
}

}  // namespace

const DnsEvidence::Forward *DnsEvidence::forwardOf(const QByteArray &name) const
{
    for (const Forward &forward : forwards) {
        if (forward.name == name)
            return &forward;
    }
    return nullptr;
}

bool DnsEvidence::isDefinite() const
{
    if (!isDefiniteStatus(ptrStatus))
        return false;
    for (const Forward &forward : forwards) {
        if (!isDefiniteStatus(forward.status))
            return false;
    }
    return true;
}

QString VerificationCache::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(QStringLiteral("verification-cache.json"));
}

VerificationCache VerificationCache::load(const QString &path, qint64 now, QString *warning)
{
    VerificationCache cache;
    QFile file(path);
    if (!file.exists())
        return cache;
    auto corrupt = [&](const QString &why) {
        *warning = QStringLiteral("验证缓存 %1 %2，已忽略").arg(QDir::toNativeSeparators(path), why);
        return VerificationCache{};
    };
    if (file.size() > kMaxCacheFileBytes)
        return corrupt(QStringLiteral("过大"));
    if (!file.open(QIODevice::ReadOnly))
        return corrupt(QStringLiteral("无法读取"));
    const QJsonDocument document = QJsonDocument::fromJson(file.read(kMaxCacheFileBytes));
    const QJsonValue entries = document.object().value(QLatin1String("entries"));
    if (!entries.isObject())
        return corrupt(QStringLiteral("已损坏"));
    const QJsonObject object = entries.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        DnsEvidence evidence = entryFrom(it.value().toObject());
        const qint64 age = now - evidence.checkedAt;
        if (age >= 0 && age < kLifetimeSeconds && !QHostAddress(it.key()).isNull())
            cache.entries_.insert(it.key(), std::move(evidence));
    }
    return cache;
}

const DnsEvidence *VerificationCache::find(const QString &address) const
{
    const auto found = entries_.constFind(address);
    return found == entries_.cend() ? nullptr : &found.value();
}

void VerificationCache::store(const QString &address, const DnsEvidence &evidence)
{
    if (!evidence.isDefinite())
        return;
    entries_.insert(address, evidence);
    changed_ = true;
}

bool VerificationCache::save(const QString &path, QString *error) const
{
    // Past the cap the oldest answers go, so that the file stays readable.
    std::vector<std::pair<qint64, QString>> byAge;
    byAge.reserve(std::size_t(entries_.size()));
    for (auto it = entries_.cbegin(); it != entries_.cend(); ++it)
        byAge.emplace_back(-it->checkedAt, it.key());
    if (qsizetype(byAge.size()) > kMostEntries) {
        std::nth_element(byAge.begin(), byAge.begin() + kMostEntries, byAge.end());
        byAge.resize(std::size_t(kMostEntries));
    }
    QJsonObject entries;
    for (const auto &[age, address] : byAge)
        entries.insert(address, entryObject(entries_.value(address)));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(QJsonObject{{QStringLiteral("entries"), entries}}).toJson(QJsonDocument::Compact)) < 0
        || !file.commit()) {
        *error = QStringLiteral("验证缓存无法保存：") + QDir::toNativeSeparators(path) + u'（' + file.errorString() + u'）';
        return false;
    }
    return true;
}
