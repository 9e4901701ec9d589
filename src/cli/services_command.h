#pragma once

#include "indexing/service_catalogue.h"

#include <QCommandLineOption>
#include <QMap>
#include <QStringList>
#include <QUrl>

class Console;
class QCommandLineParser;

// What `index` and `services` share: the services in force and their hosts.
struct ServiceOptions
{
    QCommandLineOption file{QStringLiteral("services-file"),
                            QStringLiteral("服务定义文件（代替 services.json）/ service definitions to use"),
                            QStringLiteral("FILE")};
    QCommandLineOption base{QStringLiteral("base"), QStringLiteral("服务的基础网址 / a service's base URL"),
                            QStringLiteral("KEY=URL")};

    // The ten with --services-file over them (a faulty file refuses the
    // command), else with the user's services.json (a faulty one is warned
    // about and left out). False, with the exit status, when refused.
    bool loadServices(const QCommandLineParser &parser, Console &console, ServiceCatalogue &catalogue,
                      int &status) const;
    // Each service's host: --base, else the settings group "服务", else the
    // definition's. False, with the exit status, on a bad --base.
    bool baseUrls(const QCommandLineParser &parser, const QList<IndexingService> &services, Console &console,
                  QMap<QString, QUrl> &bases, int &status) const;
};

// trawlex-cli services [--services-file FILE]
// trawlex-cli services --test KEY --site ADDRESS [--services-file FILE] [--base KEY=URL]...
// trawlex-cli services --test SERP-KEY --keyword WORD --site ADDRESS [--services-file FILE]
int RunServicesCommand(const QStringList &arguments, Console &console);
