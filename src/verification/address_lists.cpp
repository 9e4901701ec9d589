#include "verification/address_lists.h"

#include "net/http_download.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

constexpr qint64 kMaxListBytes = 16 << 20;

QString listPath(const QString &folder, const QString &id) { return QDir(folder).filePath(id + QStringLiteral(".json")); }

}  // namespace

const AddressList *LoadedAddressLists::find(const QString &id) const
{
    const auto found = lists.constFind(id);
    return found == lists.cend() ? nullptr : &found.value();
}

QString AddressListFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("address-lists"));
}

LoadedAddressLists LoadAddressLists(const QString &folder, const QStringList &ids)
{
    LoadedAddressLists loaded;
    for (const QString &id : ids) {
        QFile file(listPath(folder, id));
        if (!file.exists()) {
            loaded.problems.insert(id, QStringLiteral("没有地址列表（请在蜘蛛概览中点“更新地址列表”，或运行 trawlex-cli update-ranges）"));
            continue;
        }
        QString problem;
        if (file.size() > kMaxListBytes)
            problem = QStringLiteral("文件过大");
        else if (!file.open(QIODevice::ReadOnly))
            problem = file.errorString();
        AddressList list = problem.isEmpty() ? ParseAddressList(file.read(kMaxListBytes), &problem) : AddressList{};
        if (problem.isEmpty())
            loaded.lists.insert(id, std::move(list));
        else
            loaded.problems.insert(id, QStringLiteral("地址列表无效（%1），已忽略").arg(problem));
    }
    return loaded;
}

ListUpdate UpdateAddressList(QNetworkAccessManager &network, const AddressListSpec &source, const QString &folder,
                             const StopFlag *stop)
{
    ListUpdate update{source.id, {}, {}};
    DownloadLimits limits;
    limits.timeoutMs = 30000;
    limits.stop = stop;
    limits.maxBodyBytes = kMaxListBytes + 1;
    const Download download = DownloadUrl(network, source.url, limits);
    if (!download.ok()) {
        update.failure = download.failure;
        return update;
    }
    if (download.cut) {
        update.failure = QStringLiteral("超过 16 MiB");
        return update;
    }
    QString problem;
    const AddressList parsed = ParseAddressList(download.body, &problem);
    if (!problem.isEmpty()) {
        update.failure = problem;
        return update;
    }
    QDir().mkpath(folder);
    QSaveFile file(listPath(folder, source.id));
    if (!file.open(QIODevice::WriteOnly) || file.write(download.body) != download.body.size() || !file.commit()) {
        update.failure = QStringLiteral("无法保存（%1）").arg(file.errorString());
        return update;
    }
    update.creationTime = parsed.creationTime;
    return update;
}

QString ListUpdateLine(const ListUpdate &update)
{
    if (!update.failure.isEmpty())
        return QStringLiteral("%1: 失败：%2，保留旧副本").arg(update.id, update.failure);
    return QStringLiteral("%1: 已更新 (%2)")
        .arg(update.id, update.creationTime.isEmpty() ? QStringLiteral("未注明") : update.creationTime);
}
