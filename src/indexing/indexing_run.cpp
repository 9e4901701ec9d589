#include "indexing/indexing_run.h"

#include "common/cp936.h"
#include "common/run_output.h"
#include "common/stop_flag.h"
#include "common/text_rules.h"
#include "indexing/extraction.h"

#include <QRandomGenerator>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Columns a text takes in the report's fixed-width font: a Chinese
// character two, as its two bytes in code page 936.
qsizetype reportWidth(QStringView text) { return Cp936::byteLength(text); }

// Pages a search engine shows instead of results when it suspects a robot.
bool looksLikeCaptcha(const QString &page)
{
    for (const QString &sign : {QStringLiteral("验证码"), QStringLiteral("安全验证"), QStringLiteral("captcha"),
                                QStringLiteral("unusual traffic")})
        if (page.contains(sign, Qt::CaseInsensitive))
            return true;
    return false;
}

// Why a page gave no number; `ruleSays` is what the rule could tell.
QString extractionFailure(const QString &page, const QString &ruleSays)
{
    if (page.isEmpty())
        return QStringLiteral("结果页面是空的");
    if (looksLikeCaptcha(page))
        return QStringLiteral("搜索引擎要求输入验证码");
    if (!ruleSays.isEmpty())
        return ruleSays;
    return QStringLiteral("结果页面上没有找到数字（页面可能已改版）");
}

// The number, or "查询失败", in the field it takes: a count right-aligned in
// its 10 code page 936 bytes (followed by 篇 only when it is a count).
QString valueText(const IndexingService &service, const std::optional<qint64> &value)
{
    if (service.value == ServiceValue::Rank)
        return value ? QString::number(*value) : kQueryFailed;
    if (value)
        return 加万字(*value);
    return QString(qMax<qsizetype>(0, 10 - reportWidth(kQueryFailed)), u' ') + kQueryFailed;
}

QString reportLine(const IndexingService &service, const QString &address, qsizetype width,
                   const std::optional<qint64> &value)
{
    return address + QString(width - reportWidth(address) + 2, u' ') + service.label + valueText(service, value);
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

ServiceQuery QueryService(const IndexingService &service, const QUrl &base, const QString &address,
                          const QString &nonce, PageSource &pages)
{
    ServiceQuery query;
    if (service.route == PageRoute::Direct) {
        query.url = ServiceQueryUrl(service, base, address, nonce);
        query.page = pages.download(query.url, service.utf8);
    } else {
        query.url = base.toString();
        const ExtractRule &rule = service.extract;
        query.page = pages.searchForm(service.route, base, address,
                                      [&rule](const QString &page) { return ApplyExtractRule(rule, page).value.has_value(); });
    }
    if (!query.page.failure.isEmpty()) {
        query.failure = query.page.failure;
        return query;
    }
    const RuleCut cut = ApplyExtractRule(service.extract, query.page.text);
    query.value = cut.value;
    query.cut = cut.cut;
    if (!query.value)
        query.failure = extractionFailure(query.page.text, cut.failure);
    return query;
}

qsizetype UrlColumnWidth(const SiteList &sites)
{
    qsizetype width = 0;
    for (const SiteEntry &entry : sites.entries())
        width = qMax(width, reportWidth(TrimSpaces(entry.Url)));
    return width;
}

QString ReportClockText(const QDateTime &moment) { return ChineseDateTimeText(moment); }

namespace {

// One checked site: heading, a line per ticked service, separator. False
// when a stop was requested after a query; the separator is then left out.
bool querySite(const SiteEntry &entry, const QString &address, const QString &nonce, qsizetype width,
               const IndexingRunContext &context, PageSource &pages, RunOutput &output, const StopFlag &stop,
               SiteResults &site)
{
    if (!entry.Name.isEmpty())
        output.appendText(entry.Name + kCrLf);
    for (const IndexingService &service : context.services) {
        if (!context.ticked(service))
            continue;
        const QUrl base = context.baseUrls.value(service.settingsKey, QUrl(service.defaultBase));
        const ServiceQuery query = QueryService(service, base, address, nonce, pages);
        if (context.queried)
            context.queried(service, address, query);
        const QString line = reportLine(service, address, width, query.value);
        site.results.append({service.settingsKey, query.value, query.failure, line});
        output.appendText(line + kCrLf);
        output.yield();
        if (stop.isSet())
            return false;
    }
    output.appendText(QString(width + 25, u'-') + kCrLf);
    return true;
}

}  // namespace

QList<SiteResults> RunIndexingAnalysis(const SiteList &sites, const IndexingRunContext &context, PageSource &pages,
                                       RunOutput &output, StopFlag &stop)
{
    output.setProgressValue(0);
    stop.clear();
    const qsizetype count = sites.size();
    const qsizetype width = UrlColumnWidth(sites);
    output.setProgressMaximum(int(count + 1));
    const QString rule(width / 2, u'=');
    output.appendText(rule + QStringLiteral("澜岫软件分析结果[") + ReportClockText(context.clock()) + u']' + rule + kCrLf);

    QList<SiteResults> results;
    for (qsizetype j = 0; j < count && j < sites.size(); ++j) {
        const QString nonce = u'&' + RandomCode(5, context.random) + u'=';
        output.setProgressValue(int(j + 1));
        const SiteEntry entry = sites.at(j);  // a copy: the list may change at a yield
        const QString address = TrimSpaces(entry.Url);
        if (!address.isEmpty() && entry.Checked) {
            results.append({address, entry.Name, {}});
            if (!querySite(entry, address, nonce, width, context, pages, output, stop, results.back()))
                break;
        }
        output.yield();
        if (stop.isSet())
            break;
    }
    output.setProgressValue(0);
    return results;
}
