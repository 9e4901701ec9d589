#include "store/rank_history.h"

#include "logs/log_record.h"
#include "ranking/serp_results.h"
#include "store/site_store.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

using State = RankCell::State;

// A run is known by the host it asked about and whether subdomains counted.
QString SiteKey(const RankRequest &request)
{
    return SiteMatcher(request.site, false).host() + (request.subdomains ? QStringLiteral(" 含子域名") : QString());
}

QList<QList<RankCell>> PreviousAnswers(SqliteDb &db, const RankResults &results, const QString &site)
{
    SqliteStatement query(db, "SELECT ranks.rank, ranks.url FROM ranks JOIN rank_runs ON rank_runs.id = ranks.run "
                              "WHERE rank_runs.site = ?1 AND ranks.keyword = ?2 AND ranks.engine = ?3 "
                              "ORDER BY ranks.run DESC LIMIT 1");
    QList<QList<RankCell>> previous;
    for (const QString &keyword : results.request.keywords) {
        QList<RankCell> row;
        for (const SerpService &engine : results.request.engines) {
            query.bindText(1, site).bindText(2, keyword).bindText(3, engine.key);
            RankCell cell;
            while (query.step()) {
                cell.state = query.isNull(0) ? State::NotFound : State::Found;
                cell.rank = int(query.integer(0));
                cell.url = query.text(1);
            }
            row.append(cell);
        }
        previous.append(row);
    }
    return previous;
}

void SaveRun(SqliteDb &db, const RankResults &results, const QString &site, QDate day)
{
    SqliteStatement run(db, "INSERT INTO rank_runs(day, finished, site, depth) VALUES(?1, ?2, ?3, ?4)");
    run.bind(1, DayNumber(day))
        .bindText(2, QDateTime::currentDateTimeUtc().toString(Qt::ISODate))
        .bindText(3, site)
        .bind(4, results.request.depth)
        .run();
    const qint64 id = sqlite3_last_insert_rowid(db.handle());
    SqliteStatement rank(db, "INSERT INTO ranks(run, keyword, engine, rank, url) VALUES(?1, ?2, ?3, ?4, ?5)");
    for (int keyword = 0; keyword < results.request.keywords.size(); ++keyword)
        for (int engine = 0; engine < results.request.engines.size(); ++engine) {
            const RankCell &cell = results.cells[keyword][engine];
            if (cell.state != State::Found && cell.state != State::NotFound)
                continue;
            rank.bind(1, id).bindText(2, results.request.keywords[keyword]).bindText(3, results.request.engines[engine].key);
            if (cell.state == State::Found)
                rank.bind(4, cell.rank).bindText(5, cell.url);
            else
                rank.bindNull(4).bindNull(5);  // not among the results read
            rank.run();
        }
}

}  // namespace

QString KeepRankRun(const QString &storePath, const RankResults &results, QDate day,
                    QList<QList<RankCell>> &previous)
{
    QDir().mkpath(QFileInfo(storePath).absolutePath());
    try {
        SiteStore store(storePath, SiteStore::Access::Write);
        SqliteDb &db = store.db();
        const QString site = SiteKey(results.request);
        QList<QList<RankCell>> before;
        db.writeTransaction([&] {
            before = PreviousAnswers(db, results, site);
            SaveRun(db, results, site, day);
        });
        previous = std::move(before);
        return {};
    } catch (const SqliteFailure &failure) {
        return StoreProblemText(failure, storePath);
    }
}
