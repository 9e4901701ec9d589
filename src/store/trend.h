#pragma once

#include "overview/agent_catalogue.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

enum class TrendPeriod { Day, Week, Month };

QString TrendPeriodKey(TrendPeriod period);  // "day", "week", "month"
std::optional<TrendPeriod> TrendPeriodFromKey(const QString &key);
// The first day of the period `day` falls in: weeks begin on Monday, months on the 1st.
QDate PeriodStart(QDate day, TrendPeriod period);

// One agent's figures over one period.
struct TrendPoint
{
    QDate start;  // the period's first day
    qint64 requests = 0;
    qint64 pages = 0;       // distinct pages requested in the period
    qint64 validPages = 0;  // of them, answered 2xx or 304 at least once in the period
    qint64 clientErrors = 0;  // 4xx
    qint64 serverErrors = 0;  // 5xx
    qint64 bytes = 0;
    // Requests against the period before, in percent, to one decimal; none
    // for the first period and after a period without requests.
    std::optional<double> change;
};

struct TrendAgent
{
    QString id;
    QString name;
    QList<TrendPoint> periods;  // every period from the store's first day to its last, empty ones too
};

struct TrendResult
{
    TrendPeriod by = TrendPeriod::Week;
    QList<TrendAgent> agents;  // as asked, or every agent by requests descending (ties by id)
};

struct TrendRequest
{
    QString storePath;
    TrendPeriod by = TrendPeriod::Week;
    QStringList agents;  // ids; empty: every agent
};

// The trend of the store's days; null on failure (an unusable store, an agent
// the store has never seen), with why in `problem`.
std::optional<TrendResult> TrendFromStore(const TrendRequest &request, const AgentCatalogue &catalogue,
                                          QString *problem);
