#include "indexing/service_catalogue.h"

#include "indexing/extraction.h"

#include <QSettings>

const QList<IndexingService> &IndexingServices()
{
    using R = PageRoute;
    using V = ServiceValue;
    const auto routine = [](const char16_t *name) { return FindBuiltinExtractor(QStringView(name)); };
    const BuiltinExtractor baiduCount = routine(u"baidu"), googleCount = routine(u"google"),
                           sogouCount = routine(u"sogou"), yahooCount = routine(u"yahoo"), msnCount = routine(u"msn"),
                           sosoCount = routine(u"soso"), youdaoCount = routine(u"youdao"),
                           sogouRankValue = routine(u"sogourank"), chinaRankValue = routine(u"chinarank"),
                           alexaRankValue = routine(u"alexa");
    static const QList<IndexingService> services = {
        {QStringLiteral("Check1"), QStringLiteral("百度收录"), QStringLiteral("baidu"), QStringLiteral("https://www.baidu.com"),
         R::Direct, QStringLiteral("/s?wd=site%3A{site}{nonce}"), false, baiduCount, V::Count, QStringLiteral(" 百度收录：")},
        {QStringLiteral("Check2"), QStringLiteral("谷歌收录"), QStringLiteral("google"), QStringLiteral("https://www.google.com"),
         R::GoogleForm, {}, true, googleCount, V::Count, QStringLiteral(" 谷歌收录：")},
        {QStringLiteral("Check3"), QStringLiteral("搜狗收录"), QStringLiteral("sogou"), QStringLiteral("https://www.sogou.com"),
         R::SogouForm, {}, true, sogouCount, V::Count, QStringLiteral(" 搜狗收录：")},
        {QStringLiteral("Check4"), QStringLiteral("中文雅虎收录"), QStringLiteral("yahoo"), QStringLiteral("https://search.yahoo.com"),
         R::Direct, QStringLiteral("/search?p=site%3A{site}{nonce}"), true, yahooCount, V::Count, QStringLiteral(" 雅虎收录：")},
        {QStringLiteral("Check5"), QStringLiteral("MSN Live Search"), QStringLiteral("msn"), QStringLiteral("https://www.bing.com"),
         R::Direct, QStringLiteral("/search?q=site%3A{site}{nonce}"), true, msnCount, V::Count, QStringLiteral("  MSN收录：")},
        {QStringLiteral("Check6"), QStringLiteral("QQ搜搜"), QStringLiteral("soso"), QStringLiteral("https://www.soso.com"),
         R::Direct, QStringLiteral("/q?pid=s.idx&w=site%3A{site}{nonce}"), false, sosoCount, V::Count, QStringLiteral(" 搜搜收录：")},
        {QStringLiteral("Check7"), QStringLiteral("网易有道搜索"), QStringLiteral("youdao"), QStringLiteral("https://www.youdao.com"),
         R::Direct, QStringLiteral("/search?ue=gbk&keyfrom=163.index&q=site%3A{site}{nonce}"), true, youdaoCount, V::Count,
         QStringLiteral(" 有道收录：")},
        {QStringLiteral("Check8"), QStringLiteral("Sogou Rank(搜狗网页评级)"), QStringLiteral("sogourank"),
         QStringLiteral("https://www.sogou.com"), R::Direct, QStringLiteral("/web?query=link%3A{site}{nonce}"), false, sogouRankValue,
         V::Rank, QStringLiteral(" 搜狗排行：")},
        {QStringLiteral("Check9"), QStringLiteral("中国网站排名"), QStringLiteral("chinarank"), QStringLiteral("http://www.chinarank.org.cn"),
         R::Direct, QStringLiteral("/overview/Info.do?url={site}{nonce}"), false, chinaRankValue, V::Rank,
         QStringLiteral(" 中国网站排名：")},
        {QStringLiteral("Check10"), QStringLiteral("alexa排名"), QStringLiteral("alexa"), QStringLiteral("https://www.alexa.com"),
         R::Direct, QStringLiteral("/siteinfo/{site}"), true, alexaRankValue, V::Rank, QStringLiteral(" alexa排名：")},
    };
    return services;
}

const IndexingService *FindIndexingService(const QString &settingsKey)
{
    for (const IndexingService &service : IndexingServices())
        if (service.settingsKey == settingsKey)
            return &service;
    return nullptr;
}

bool IsValidBaseUrl(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && !url.host().isEmpty() && (url.path().isEmpty() || url.path() == QLatin1String("/")) && !url.hasQuery()
        && !url.hasFragment() && url.userInfo().isEmpty();
}

QMap<QString, QUrl> ServiceBaseUrls(QSettings &settings)
{
    QMap<QString, QUrl> bases;
    settings.beginGroup(QStringLiteral("服务"));
    for (const IndexingService &service : IndexingServices()) {
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
