#include "crawl_log/crawler_catalogue.h"

#include "common/text_rules.h"

const QList<CatalogueCrawler> &CrawlerCatalogue()
{
    static const QList<CatalogueCrawler> catalogue = {
        {QStringLiteral("Command2"), QStringLiteral("分析【百度】"), QStringLiteral("百度"), QStringLiteral("BaiDuSpider")},
        {QStringLiteral("Command3"), QStringLiteral("分析【谷歌】"), QStringLiteral("谷歌"), QStringLiteral("GoogleBot")},
        {QStringLiteral("Command6"), QStringLiteral("分析【雅虎】"), QStringLiteral("雅虎"), QStringLiteral("Yahoo!")},
        {QStringLiteral("Command7"), QStringLiteral("分析【搜狗】"), QStringLiteral("搜狗"), QStringLiteral("Sogou+web+spider")},
        {QStringLiteral("Command8"), QStringLiteral("分析【MSN】"), QStringLiteral("MSN"), QStringLiteral("Msnbot")},
        {QStringLiteral("Command9"), QStringLiteral("分析【Altavista】"), QStringLiteral("Altavista"), QStringLiteral("Scooter")},
        {QStringLiteral("Command10"), QStringLiteral("分析【Lycos】"), QStringLiteral("Lycos"), QStringLiteral("Lycos_Spider_(T-Rex)")},
        {QStringLiteral("Command11"), QStringLiteral("分析【INKTOMI】"), QStringLiteral("INKTOMI"), QStringLiteral("Slurp")},
        {QStringLiteral("Command12"), QStringLiteral("分析【alexa】"), QStringLiteral("alexa"), QStringLiteral("ia_archiver")},
        {QStringLiteral("Command13"), QStringLiteral("分析【Alltheweb】"), QStringLiteral("Alltheweb"), QStringLiteral("FAST-WebCrawler")},
        {QStringLiteral("Command14"), QStringLiteral("分析【网易有道】"), QStringLiteral("网易有道"), QStringLiteral("YodaoBot")},
        {QStringLiteral("Command15"), QStringLiteral("分析【腾讯SOSO】"), QStringLiteral("腾讯SOSO"), QStringLiteral("Sosospider")},
    };
    return catalogue;
}

const CatalogueCrawler *FindCatalogueCrawler(QStringView nameOrToken)
{
    for (const CatalogueCrawler &crawler : CrawlerCatalogue())
        if (nameOrToken.compare(crawler.displayName, Qt::CaseInsensitive) == 0
            || nameOrToken.compare(crawler.token, Qt::CaseInsensitive) == 0)
            return &crawler;
    return nullptr;
}

QString WrongCrawlerMessage() { return QStringLiteral("蜘蛛种类错误！"); }

std::optional<QString> CustomCrawlerToken(QStringView typed)
{
    QString token = TrimSpaces(typed);
    if (token.size() < 5)
        return std::nullopt;
    return token;
}
