#include "indexing/indexing_run.h"

#include "common/run_output.h"
#include "common/stop_flag.h"
#include "common/text_rules.h"
#include "indexing/extraction.h"

#include <QLocale>
#include <QRandomGenerator>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString obtainPage(const IndexingService &service, const QUrl &base, const QString &address, const QString &nonce,
                   PageSource &pages)
{
    if (service.route == PageRoute::Direct)
        return pages.download(ServiceQueryUrl(service, base, address, nonce), service.utf8);
    return pages.searchForm(service.route, base, address);
}

QString reportLine(const IndexingService &service, const QString &address, qsizetype width, qint64 value)
{
    const QString number = service.value == ServiceValue::Count ? 加万字(value) : QString::number(value);
    return address + QString(width - address.size() + 2, u' ') + service.label + number + kCrLf;
}

}  // namespace

QString RandomCode(int n, const RandomSource &random)
{
    static const QString alphabet = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QString code;
    while (code.size() < n)
        code += alphabet[qBound(0, int(36 * random()), 35)];
    return code;
}

RandomSource DefaultRandomSource()
{
    return [] { return QRandomGenerator::global()->generateDouble(); };
}

qsizetype UrlColumnWidth(const SiteList &sites)
{
    qsizetype width = 0;
    for (const SiteEntry &entry : sites.entries())
        width = qMax(width, TrimSpaces(entry.Url).size());
    return width;
}

namespace {

// One checked site: heading, a line per ticked service, separator. False
// when a stop was requested after a query; the separator is then left out.
bool querySite(const SiteEntry &entry, const QString &address, const QString &nonce, qsizetype width,
               const IndexingRunContext &context, PageSource &pages, RunOutput &output, const StopFlag &stop)
{
    if (!entry.Name.isEmpty())
        output.appendText(entry.Name + kCrLf);
    for (const IndexingService &service : IndexingServices()) {
        if (!context.ticked(service))
            continue;
        const QUrl base = context.baseUrls.value(service.settingsKey, QUrl(service.defaultBase));
        const qint64 value = service.extract(obtainPage(service, base, address, nonce, pages));
        output.appendText(reportLine(service, address, width, value));
        output.yield();
        if (stop.isSet())
            return false;
    }
    output.appendText(QString(width + 25, u'-') + kCrLf);
    return true;
}

}  // namespace

void RunIndexingAnalysis(const SiteList &sites, const IndexingRunContext &context, PageSource &pages,
                         RunOutput &output, StopFlag &stop)
{
    output.setProgressValue(0);
    stop.clear();
    const qsizetype count = sites.size();
    const qsizetype width = UrlColumnWidth(sites);
    output.setProgressMaximum(int(count + 1));
    const QString rule(width / 2, u'=');
    output.appendText(rule + QStringLiteral("澜岫软件分析结果[") + QLocale().toString(context.clock(), QLocale::ShortFormat)
                      + u']' + rule + kCrLf);

    for (qsizetype j = 0; j < count && j < sites.size(); ++j) {
        const QString nonce = u'&' + RandomCode(5, context.random) + u'=';
        output.setProgressValue(int(j + 1));
        const SiteEntry entry = sites.at(j);  // a copy: the list may change at a yield
        const QString address = TrimSpaces(entry.Url);
        if (!address.isEmpty() && entry.Checked
            && !querySite(entry, address, nonce, width, context, pages, output, stop))
            break;
        output.yield();
        if (stop.isSet())
            break;
    }
    output.setProgressValue(0);
}
