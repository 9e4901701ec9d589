#include "ranking/rank_query.h"

#include "common/cp936.h"
#include "common/stop_flag.h"

namespace {

RankAnswer failed(RankAnswer answer, int page, const QString &why)
{
    answer.cell.state = RankCell::State::Failed;
    answer.cell.failure = QStringLiteral("第 %1 页：%2").arg(page).arg(why);
    return answer;
}

RankAnswer notFound(RankAnswer answer)
{
    answer.cell.state = RankCell::State::NotFound;
    return answer;
}

// The captcha word a page holds, or nothing.
QString captchaWord(const SerpService &engine, const QString &page)
{
    for (const QString &word : engine.captcha)
        if (page.contains(word))
            return word;
    return {};
}

}  // namespace

QString SerpQueryUrl(const SerpService &engine, const QUrl &base, const QString &keyword, int page)
{
    QString root = base.toString(QUrl::FullyEncoded);
    if (root.endsWith(u'/'))
        root.chop(1);
    const QByteArray bytes = engine.utf8 ? keyword.toUtf8() : Cp936::encode(keyword);
    QString query = engine.query;
    query.replace(QLatin1String("{keyword}"), QString::fromLatin1(bytes.toPercentEncoding()));
    query.replace(QLatin1String("{page}"), QString::number(page));
    query.replace(QLatin1String("{offset}"), QString::number((page - 1) * engine.perPage));
    return root + query;
}

std::optional<RankAnswer> AskRank(const RankQuestion &question, const SerpPageFetch &fetch, const StopFlag &stop)
{
    RankAnswer answer;
    int counted = 0;
    // Every page read adds a counted result, so at most `depth` pages.
    for (int page = 1;; ++page) {
        if (stop.isSet())
            return std::nullopt;
        const QString url = SerpQueryUrl(question.engine, question.base, question.keyword, page);
        const FetchedPage fetched = fetch(url, question.engine.utf8);
        if (stop.isSet())
            return std::nullopt;  // the page may be cut short by the stop
        SerpPageRead read{url, fetched.httpStatus, fetched.body.size(), {}, {}};
        if (fetched.failure.isEmpty())
            read.results = CutSerpResults(question.engine, fetched.text);
        if (question.keepBodies)
            read.body = fetched.body;
        answer.pages.append(read);
        if (!fetched.failure.isEmpty())
            return failed(answer, page, fetched.failure);
        if (read.results.isEmpty()) {
            if (const QString word = captchaWord(question.engine, fetched.text); !word.isEmpty())
                return failed(answer, page, QStringLiteral("验证码页面（含“%1”）").arg(word));
            if (page == 1)
                return failed(answer, page, QStringLiteral("截不到任何结果，页面可能已改版（用 services --test 查看）"));
            return notFound(answer);
        }
        const int before = counted;
        for (const SerpResult &result : std::as_const(read.results)) {
            if (result.excluded)
                continue;
            ++counted;
            if (question.site.matches(result.captured)) {
                answer.cell = {RankCell::State::Found, counted, result.captured, {}};
                return answer;
            }
            if (counted == question.depth)
                return notFound(answer);
        }
        if (counted == before)
            return notFound(answer);
    }
}
