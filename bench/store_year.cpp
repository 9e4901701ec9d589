// Writes a year of a busy site into a store, as imports would leave it:
// 365 days of 50,000 requests over 30,000 pages from 40 agents, through the
// import's own counting and writing. For timing `overview --store` and `trend`.
//
//   trawlex-storegen STORE [DAYS]

#include "overview/agent_catalogue.h"
#include "overview/agent_classifier.h"
#include "overview/page_table.h"
#include "store/day_figures.h"
#include "store/site_store.h"
#include "store/store_tables.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>

#include <cstdio>
#include <random>

namespace {

constexpr int kRecordsPerDay = 50000;
constexpr int kPages = 30000;
constexpr int kAgents = 40;

AgentCatalogue YearCatalogue()
{
    AgentCatalogue catalogue;
    for (int i = 0; i < kAgents; ++i) {
        const QString id = QStringLiteral("agent%1").arg(i, 2, 10, QLatin1Char('0'));
        CatalogueAgent agent;
        agent.id = id;
        agent.name = id;
        agent.family = QStringLiteral("测试");
        agent.tokens = {id + u'/'};
        catalogue.agents.append(agent);
    }
    return catalogue;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: trawlex-storegen STORE [DAYS]\n");
        return 2;
    }
    const int days = arguments.size() > 2 ? arguments[2].toInt() : 365;
    QFile::remove(arguments[1]);
    const AgentCatalogue catalogue = YearCatalogue();
    const AgentClassifier classifier(catalogue);
    QList<QByteArray> agents;
    for (int i = 0; i < kAgents; ++i)
        agents.append(QStringLiteral("Mozilla/5.0 (compatible; agent%1/1.0)").arg(i, 2, 10, QLatin1Char('0')).toUtf8());
    QList<QByteArray> pages;
    for (int i = 0; i < kPages; ++i)
        pages.append("/item/" + QByteArray::number(i) + ".html");

    try {
        SiteStore store(arguments[1], SiteStore::Access::Write);
        StoreTables tables(store.db());
        PageTable storePages;
        std::mt19937_64 random(7);
        // Busy pages are asked for far more often than the rest, as on real sites.
        std::geometric_distribution<int> agentOf(0.12);
        std::uniform_real_distribution<double> unit(0, 1);
        const int statuses[] = {200, 200, 200, 200, 200, 200, 301, 304, 404, 500};
        for (QDate day(2025, 1, 1); day < QDate(2025, 1, 1).addDays(days); day = day.addDays(1)) {
            DayAccumulator figures(classifier);
            for (int i = 0; i < kRecordsPerDay; ++i) {
                const int page = int(kPages * unit(random) * unit(random));
                const QByteArray client = "66.249." + QByteArray::number(i % 7) + '.' + QByteArray::number(random() % 60);
                LogRecord record;
                record.agent = agents[std::min(agentOf(random), kAgents - 1)];
                record.page = pages[page];
                record.hasPage = true;
                record.client = client;
                record.status = qint16(statuses[random() % 10]);
                record.bytes = qint64(1000 + random() % 30000);
                record.day = day.year() * 10000 + day.month() * 100 + day.day();
                record.second = int(i * 86400LL / kRecordsPerDay);
                record.family = LogFamily::Ncsa;
                figures.add(record);
            }
            store.db().exec("BEGIN IMMEDIATE");
            tables.saveFigures(figures, classifier, storePages);
            store.db().exec("COMMIT");
        }
    } catch (const SqliteFailure &failure) {
        std::fprintf(stderr, "%s\n", qPrintable(StoreProblemText(failure, arguments[1])));
        return 1;
    }
    return 0;
}
