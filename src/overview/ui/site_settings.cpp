#include "overview/ui/site_settings.h"

#include "common/app_settings.h"
#include "store/site_store.h"

namespace {

const QString kGroup = QStringLiteral("站点");

}  // namespace

QStringList SiteNames()
{
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kGroup);
    QStringList names = settings.childGroups();
    names.sort();
    return names;
}

Site LoadSite(const QString &name)
{
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kGroup);
    settings.beginGroup(name);
    return {name, settings.value(QStringLiteral("目录")).toString(),
            settings.value(QStringLiteral("包含子目录"), false).toBool(),
            settings.value(QStringLiteral("日志格式")).toString(),
            settings.value(QStringLiteral("存储"), DefaultStorePath(name)).toString()};
}

void SaveSite(const Site &site)
{
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kGroup);
    settings.beginGroup(site.name);
    settings.setValue(QStringLiteral("目录"), site.folder);
    settings.setValue(QStringLiteral("包含子目录"), site.recursive);
    settings.setValue(QStringLiteral("日志格式"), site.logFormat);
    settings.setValue(QStringLiteral("存储"), site.storePath);
}

void RemoveSite(const QString &name)
{
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kGroup);
    settings.remove(name);
}
