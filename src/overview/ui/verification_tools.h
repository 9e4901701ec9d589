#pragma once

#include "overview/ui/address_list_updater.h"

#include <QWidget>

class QPushButton;

// What the crawler check keeps between runs, at hand beside 验证:
// 更新地址列表 fetches the operators' address lists (as trawlex-cli
// update-ranges does, off the GUI thread) and shows each list's result;
// 清除缓存 empties the DNS cache, so the next check asks again.
class VerificationTools : public QWidget
{
    Q_OBJECT

public:
    explicit VerificationTools(QWidget *parent = nullptr);

signals:
    void listsUpdated();

private slots:
    void updateLists();
    void showUpdates(const QStringList &lines, bool allUpdated);
    void clearCache();

private:
    QPushButton *updateLists_;
    QPushButton *clearCache_;
    AddressListUpdater updater_;
};
