#include "indexing/service_catalogue.h"

#include "common/app_settings.h"
#include "common/definition_reader.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

const IndexingService *FindIndexingService(const QString &settingsKey, const QList<IndexingService> &services)
{
    for (const IndexingService &service : services)
        if (service.settingsKey == settingsKey)
            return &service;
    return nullptr;
}

const SerpService *FindSerpService(const QString &key, const QList<SerpService> &engines)
{
    for (const SerpService &engine : engines)
        if (engine.key == key)
            return &engine;
    return nullptr;
}

ServiceCatalogue LoadServiceCatalogue(const QString &path, bool mustExist)
{
    ServiceCatalogue catalogue{IndexingServices(), {}, {}};
    const DefinitionFile file = ReadDefinitionFile(path, mustExist, QStringLiteral("服务定义文件"));
    if (!file.fault.isEmpty() || !file.exists) {
        catalogue.fault = file.fault;
        return catalogue;
    }
    const ServiceDefinitions user = ParseServiceDefinitions(file.json, QDir::toNativeSeparators(path));
    if (!user.fault.isEmpty()) {
        catalogue.fault = user.fault;
        return catalogue;
    }
    for (IndexingService service : user.services) {
        qsizetype at = 0;
        while (at < catalogue.services.size() && catalogue.services[at].settingsKey != service.settingsKey)
            ++at;
        service.checkBox = at < catalogue.services.size() ? catalogue.services[at].checkBox
                                                           : QStringLiteral("Check%1").arg(at + 1);
        if (at < catalogue.services.size())
            catalogue.services[at] = service;
        else
            catalogue.services.append(service);
    }
    catalogue.serp = user.serp;
    return catalogue;
}

QString UserServiceFilePath()
{
    return QFileInfo(OpenAppSettings().fileName()).dir().filePath(QStringLiteral("services.json"));
}

bool IsValidBaseUrl(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && !url.host().isEmpty() && (url.path().isEmpty() || url.path() == QLatin1String("/")) && !url.hasQuery()
        && !url.hasFragment() && url.userInfo().isEmpty();
}

QMap<QString, QUrl> ServiceBaseUrls(QSettings &settings, const QList<IndexingService> &services)
{
    QMap<QString, QUrl> bases;
    settings.beginGroup(QStringLiteral("服务"));
    for (const IndexingService &service : services) {
        const QUrl configured(settings.value(service.settingsKey).toString());
        bases.insert(service.settingsKey, IsValidBaseUrl(configured) ? configured : QUrl(service.defaultBase));
    }
    settings.endGroup();
    return bases;
}

QString EncodeAddressForQuery(const QString &address)
{
    const QByteArray kept = "-._~/:";
    return QString::fromLatin1(address.toUtf8().toPercentEncoding(kept));
}

QString ServiceQueryUrl(const IndexingService &service, const QUrl &base, const QString &address,
                        const QString &nonce)
{
    QString root = base.toString(QUrl::FullyEncoded);
    if (root.endsWith(u'/'))
        root.chop(1);
    QString query = service.query;
    query.replace(QLatin1String("{site}"), EncodeAddressForQuery(address));
    query.replace(QLatin1String("{nonce}"), nonce);
    return root + query;
}
