#pragma once

#include "verification/address_ranges.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QNetworkAccessManager;
class StopFlag;

// Where a crawler operator publishes its address list. The id is the file
// name without ".json" ("googlebot").
struct AddressListSpec
{
    QString id;
    QUrl url;
};

// The lists as saved by update-ranges: those present and valid, and for the
// others why they cannot be used.
struct LoadedAddressLists
{
    QHash<QString, AddressList> lists;
    QHash<QString, QString> problems;  // id → "没有地址列表（请在蜘蛛概览中点“更新地址列表”，或运行 trawlex-cli update-ranges）" or why invalid

    const AddressList *find(const QString &id) const;
};

// ~/.local/share/蛛迹通/蛛迹通/address-lists on Linux.
QString AddressListFolder();

// Reads `folder`/ID.json for each id; never fails as a whole.
LoadedAddressLists LoadAddressLists(const QString &folder, const QStringList &ids);

struct ListUpdate
{
    QString id;
    QString creationTime;  // when updated
    QString failure;       // empty when updated; else why not (the old copy stays)
};

// Downloads each list (http(s) only, at most 16 MiB and 30 s each), checks
// its shape and saves it atomically as `folder`/ID.json.
// A stop, when set, gives the download up.
ListUpdate UpdateAddressList(QNetworkAccessManager &network, const AddressListSpec &source, const QString &folder,
                             const StopFlag *stop = nullptr);

// The update's report line: "googlebot: 已更新 (2024-…)" or "googlebot: 失败：…，保留旧副本".
QString ListUpdateLine(const ListUpdate &update);
