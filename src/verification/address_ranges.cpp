#include "verification/address_ranges.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>


namespace {

constexpr int kMaxPrefixes = 200000;

}  // namespace

AddressList ParseAddressList(const QByteArray &json, QString *problem)
{
    auto reject = [problem](const QString &why) {
        *problem = why;
        return AddressList{};
    };
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return reject(QStringLiteral("不是 JSON 对象"));
    const QJsonObject top = document.object();
    const QJsonValue prefixes = top.value(QLatin1String("prefixes"));
    if (!prefixes.isArray())
        return reject(QStringLiteral("没有 prefixes 数组"));
    if (prefixes.toArray().size() > kMaxPrefixes)
        return reject(QStringLiteral("前缀过多"));
    const QJsonValue creationTime = top.value(QLatin1String("creationTime"));
    if (!creationTime.isUndefined() && !creationTime.isString())
        return reject(QStringLiteral("creationTime 不是文本"));

    AddressList list;
    list.creationTime = creationTime.toString().left(64);
    for (const QJsonValue &entry : prefixes.toArray()) {
        const QJsonObject object = entry.toObject();
        const QJsonValue v4 = object.value(QLatin1String("ipv4Prefix"));
        const QJsonValue v6 = object.value(QLatin1String("ipv6Prefix"));
        const bool added = v4.isString() != v6.isString()
                           && (v4.isString() ? list.ranges.addPrefix(v4.toString(), QAbstractSocket::IPv4Protocol)
                                             : list.ranges.addPrefix(v6.toString(), QAbstractSocket::IPv6Protocol));
        if (!added) {
            const QString shown = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)).left(80);
            return reject(QStringLiteral("无效的前缀 ") + shown);
        }
        ++list.prefixCount;
    }
    list.ranges.finish();
    *problem = QString();
    return list;
}
