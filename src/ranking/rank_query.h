#pragma once

#include "indexing/indexing_run.h"
#include "ranking/serp_results.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class StopFlag;

// Where a site stands for one keyword on one engine.
struct RankCell
{
    enum class State {
        Unasked,   // the run stopped before this query answered
        Found,     // `rank` and `url` hold the result
        NotFound,  // not among the results read ("N名以外")
        Failed,    // `failure` says why
    };
    State state = State::Unasked;
    int rank = 0;     // 1-based among the counted results
    QString url;      // the result as captured
    QString failure;  // in Chinese
};

// What one result page gave: for services --test, and for keeping pages.
struct SerpPageRead
{
    QString url;
    int httpStatus = 0;
    qsizetype bytes = 0;
    QList<SerpResult> results;
    QByteArray body;  // as it came, when the caller keeps pages
};

struct RankAnswer
{
    RankCell cell;
    QList<SerpPageRead> pages;  // in the order asked
};

// base + the engine's query for `keyword` on `page` (1-based): the keyword
// percent-encoded in the engine's encoding, every byte but letters, digits
// and "-._~", so that nothing in it starts another key.
QString SerpQueryUrl(const SerpService &engine, const QUrl &base, const QString &keyword, int page);

using SerpPageFetch = std::function<FetchedPage(const QString &url, bool utf8)>;

struct RankQuestion
{
    const SerpService &engine;
    QUrl base;
    QString keyword;
    const SiteMatcher &site;
    int depth = 50;           // results counted at most
    bool keepBodies = false;  // SerpPageRead::body filled
};

// Reads result pages one by one until a result on the site is found or
// `depth` results (those the exclude pattern skips not counted) have been
// read. A page after the first that cuts no result, or adds none that
// counts, ends the results: not found. A fetch that fails, a captcha page
// and a first page that cuts no result are failures. Nothing when the stop
// came first.
std::optional<RankAnswer> AskRank(const RankQuestion &question, const SerpPageFetch &fetch, const StopFlag &stop);
