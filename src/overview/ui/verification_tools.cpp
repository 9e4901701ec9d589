#include "overview/ui/verification_tools.h"

#include "common/app_settings.h"
#include "overview/agent_catalogue.h"
#include "ui_common/localized_message_box.h"
#include "ui_common/named_controls.h"
#include "verification/catalogue_rules.h"
#include "verification/dns_evidence.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSettings>

namespace {

const QString kUpdateCaption = QStringLiteral("更新地址列表");

}  // namespace

VerificationTools::VerificationTools(QWidget *parent) : QWidget(parent)
{
    updateLists_ = NamedButton(this, QStringLiteral("updateLists"), kUpdateCaption);
    updateLists_->setToolTip(QStringLiteral("下载爬虫公布的地址列表，验证时用来确认谷歌、必应等蜘蛛的地址"));
    clearCache_ = NamedButton(this, QStringLiteral("clearCache"), QStringLiteral("清除缓存"));
    clearCache_->setToolTip(QStringLiteral("清除验证时保存的 DNS 查询结果（保存 24 小时），下次验证重新查询"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(updateLists_);
    layout->addWidget(clearCache_);
    connect(updateLists_, &QPushButton::clicked, this, &VerificationTools::updateLists);
    connect(&updater_, &AddressListUpdater::finished, this, &VerificationTools::showUpdates);
    connect(clearCache_, &QPushButton::clicked, this, &VerificationTools::clearCache);
}

void VerificationTools::updateLists()
{
    // The catalogue's addresses, or a user's own from the settings (group 概览/地址列表网址, key = list id).
    QList<AddressListSpec> lists = VerificationRulesOf(LoadAgentCatalogue()).lists;
    QSettings settings = OpenAppSettings();
    settings.beginGroup(QStringLiteral("概览/地址列表网址"));
    for (AddressListSpec &list : lists)
        list.url = settings.value(list.id, list.url).toUrl();
    if (updater_.start(lists, AddressListFolder())) {
        updateLists_->setEnabled(false);
        updateLists_->setText(QStringLiteral("正在更新…"));
    }
}

void VerificationTools::showUpdates(const QStringList &lines, bool allUpdated)
{
    updateLists_->setEnabled(true);
    updateLists_->setText(kUpdateCaption);
    emit listsUpdated();
    const QString heading = allUpdated ? QStringLiteral("地址列表已更新：") : QStringLiteral("有的地址列表未能更新：");
    LocalizedMessageBox(heading + u'\n' + lines.join(u'\n'), this, allUpdated ? 64 : 48, QString());
}

void VerificationTools::clearCache()
{
    QFile cache(VerificationCache::defaultPath());
    if (cache.exists() && !cache.remove()) {
        LocalizedMessageBox(QStringLiteral("无法清除 DNS 缓存 %1：%2")
                                .arg(QDir::toNativeSeparators(cache.fileName()), cache.errorString()),
                            this, 16, QString());
        return;
    }
    LocalizedMessageBox(QStringLiteral("DNS 缓存已清除，下次验证会重新查询。"), this, 64, QString());
}
