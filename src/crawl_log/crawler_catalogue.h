#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// A crawler the crawl-log window offers as a button of its own.
struct CatalogueCrawler
{
    QString button;       // objectName of the button, "Command2"
    QString caption;      // "分析【百度】"
    QString displayName;  // "百度": the report's crawler name
    QString token;        // "BaiDuSpider": the user-agent fragment searched for
};

// The twelve crawlers, in the order of their buttons.
const QList<CatalogueCrawler> &CrawlerCatalogue();

// The crawler with this display name or token, letter case ignored.
const CatalogueCrawler *FindCatalogueCrawler(QStringView nameOrToken);

// The message for a typed token that is too short.
QString WrongCrawlerMessage();  // "蜘蛛种类错误！"

// A typed token with its spaces trimmed, when it has at least five
// characters (characters, not bytes); nothing otherwise.
std::optional<QString> CustomCrawlerToken(QStringView typed);
