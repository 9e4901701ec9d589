#include "store/trend.h"

#include "overview/overview_format.h"
#include "store/day_figures.h"
#include "store/site_store.h"
#include "store/store_tables.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Periods from the first day to the last, with their starts.
QList<QDate> PeriodStarts(QDate first, QDate last, TrendPeriod by)
{
    QList<QDate> starts;
    for (QDate start = PeriodStart(first, by); start <= last;) {
        starts.append(start);
        start = by == TrendPeriod::Day ? start.addDays(1) : by == TrendPeriod::Week ? start.addDays(7) : start.addMonths(1);
    }
    return starts;
}

// One agent's distinct pages per period: each page remembers the last
// period it was counted in, as the days come in order.
struct PageStamps
{
    std::vector<qint32> seen;   // period index + 1
    std::vector<qint32> valid;

    void count(qint32 page, int status, qint32 period, TrendPoint &point)
    {
        if (std::size_t(page) >= seen.size()) {
            seen.resize(std::size_t(page) + 1, 0);
            valid.resize(std::size_t(page) + 1, 0);
        }
        if (seen[std::size_t(page)] != period + 1) {
            seen[std::size_t(page)] = period + 1;
            ++point.pages;
        }
        if (IsValidAnswer(status) && valid[std::size_t(page)] != period + 1) {
            valid[std::size_t(page)] = period + 1;
            ++point.validPages;
        }
    }
};

// The period of each day, for days that come in order.
class PeriodCursor
{
public:
    PeriodCursor(const QList<QDate> &starts, TrendPeriod by) : starts_(starts), by_(by) {}

    qint32 periodOf(qint64 day)
    {
        const QDate start = PeriodStart(DateOfDay(day), by_);
        while (starts_[period_] < start)
            ++period_;
        return qint32(period_);
    }

private:
    const QList<QDate> &starts_;
    TrendPeriod by_;
    qsizetype period_ = 0;
};

struct Tally
{
    QList<TrendPoint> points;
    PageStamps pages;
    qint64 requests = 0;
};

}  // namespace

QString TrendPeriodKey(TrendPeriod period)
{
    static const char *const keys[] = {"day", "week", "month"};
    return QString::fromLatin1(keys[int(period)]);
}

std::optional<TrendPeriod> TrendPeriodFromKey(const QString &key)
{
    for (TrendPeriod period : {TrendPeriod::Day, TrendPeriod::Week, TrendPeriod::Month})
        if (TrendPeriodKey(period) == key)
            return period;
    return std::nullopt;
}

QDate PeriodStart(QDate day, TrendPeriod period)
{
    switch (period) {
    case TrendPeriod::Day:
        return day;
    case TrendPeriod::Week:
        return day.addDays(1 - day.dayOfWeek());
    case TrendPeriod::Month:
        break;
    }
    return QDate(day.year(), day.month(), 1);
}

std::optional<TrendResult> TrendFromStore(const TrendRequest &request, const AgentCatalogue &catalogue,
                                          QString *problem)
{
    try {
        SiteStore store(request.storePath, SiteStore::Access::Read);
        SqliteDb &db = store.db();
        db.exec("BEGIN");
        const QList<StoredAgent> stored = StoreTables(db).agents();
        std::map<qint64, Tally> tallies;  // by stored agent id
        TrendResult result;
        result.by = request.by;

        SqliteStatement range(db, "SELECT MIN(day), MAX(day) FROM day_agents WHERE day > 0");
        QList<QDate> starts;
        while (range.step())
            if (!range.isNull(0))
                starts = PeriodStarts(DateOfDay(range.integer(0)), DateOfDay(range.integer(1)), request.by);
        auto tallyOf = [&](qint64 agent) -> Tally & {
            Tally &tally = tallies[agent];
            if (tally.points.isEmpty())
                for (const QDate &start : starts) {
                    TrendPoint point;
                    point.start = start;
                    tally.points.append(point);
                }
            return tally;
        };

        SqliteStatement days(db, "SELECT day, agent, requests, bytes, pages FROM day_agents WHERE day > 0 ORDER BY day");
        std::vector<PageEntry> pages;
        PeriodCursor dayPeriods(starts, request.by);
        while (days.step()) {
            const qint32 period = dayPeriods.periodOf(days.integer(0));
            Tally &tally = tallyOf(days.integer(1));
            TrendPoint &point = tally.points[period];
            point.requests += days.integer(2);
            point.bytes += days.integer(3);
            tally.requests += days.integer(2);
            pages.clear();
            if (!DecodePages(days.blob(4), pages))
                throw SqliteFailure(SQLITE_CORRUPT, QStringLiteral("a day's page list is cut short"));
            for (const PageEntry &entry : pages)
                tally.pages.count(entry.page, entry.status, period, point);
        }
        SqliteStatement errors(db, "SELECT day, agent, status, requests FROM day_statuses "
                                   "WHERE day > 0 AND status BETWEEN 400 AND 599 ORDER BY day");
        PeriodCursor errorPeriods(starts, request.by);
        while (errors.step()) {
            TrendPoint &point = tallyOf(errors.integer(1)).points[errorPeriods.periodOf(errors.integer(0))];
            (errors.integer(2) < 500 ? point.clientErrors : point.serverErrors) += errors.integer(3);
        }
        db.exec("COMMIT");

        QList<std::pair<const StoredAgent *, Tally *>> chosen;
        if (request.agents.isEmpty()) {
            for (const StoredAgent &agent : stored)
                if (auto found = tallies.find(agent.id); found != tallies.end())
                    chosen.append({&agent, &found->second});
            std::sort(chosen.begin(), chosen.end(), [](const auto &a, const auto &b) {
                return a.second->requests != b.second->requests ? a.second->requests > b.second->requests
                                                                : a.first->agent.toUtf8() < b.first->agent.toUtf8();
            });
        } else {
            for (const QString &id : request.agents) {
                const auto agent = std::find_if(stored.begin(), stored.end(), [&](const StoredAgent &a) { return a.agent == id; });
                if (agent == stored.end()) {
                    *problem = QStringLiteral("存储中没有这个蜘蛛：") + id;
                    return std::nullopt;
                }
                chosen.append({&*agent, &tallyOf(agent->id)});
            }
        }
        for (const auto &[agent, tally] : chosen) {
            const CatalogueAgent *known = catalogue.agent(agent->agent);
            TrendAgent item{agent->agent, known ? known->name : agent->name, tally->points};
            for (qsizetype i = 1; i < item.periods.size(); ++i)
                item.periods[i].change = RequestChange(item.periods[i - 1].requests, item.periods[i].requests);
            result.agents.append(item);
        }
        return result;
    } catch (const SqliteFailure &failure) {
        *problem = StoreProblemText(failure, request.storePath);
        return std::nullopt;
    }
}
