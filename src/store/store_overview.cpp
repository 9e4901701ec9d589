#include "store/store_overview.h"

#include "overview/agent_classifier.h"
#include "overview/overview_accumulator.h"
#include "store/day_figures.h"
#include "store/site_store.h"
#include "store/store_tables.h"

#include <sqlite3.h>

namespace {

qint32 DayNumber(QDate date) { return date.isValid() ? date.year() * 10000 + date.month() * 100 + date.day() : 0; }

// The stored agents as a catalogue, so that the overview's classes are the
// import's: agent ids as the import's classifier gave them.
AgentCatalogue StoredCatalogue(const QList<StoredAgent> &stored, const AgentCatalogue &current)
{
    AgentCatalogue catalogue;
    for (const StoredAgent &agent : stored) {
        if (!agent.catalogued)
            continue;
        if (const CatalogueAgent *known = current.agent(agent.agent))
            catalogue.agents.append({known->id, known->name, known->family, known->category, {}, {}, {}});
        else
            catalogue.agents.append({agent.agent, agent.name, agent.family,
                                     CategoryFromKey(agent.category).value_or(AgentCategory::Other), {}, {}, {}});
    }
    return catalogue;
}

// What a statement reads of the days in range, as a WHERE clause on `day`
// with ?1 and ?2 the first and last day. A record without a date lies in no range.
const char *DayRange(const StoreOverviewRequest &request)
{
    return request.from.isValid() || request.to.isValid() ? " WHERE day BETWEEN ?1 AND ?2" : " WHERE ?1 <= ?2";
}

class StoreReader
{
public:
    StoreReader(const StoreOverviewRequest &request, SqliteDb &db, const QList<StoredAgent> &agents,
                const AgentClassifier &classifier, OverviewAccumulator &figures)
        : request_(request), db_(db), figures_(figures), pageQuery_(db, "SELECT family, page FROM pages WHERE id = ?1")
    {
        for (const StoredAgent &agent : agents) {
            classOfAgent_.resize(std::max<std::size_t>(classOfAgent_.size(), std::size_t(agent.id + 1)), -1);
            for (int index = 0; index < classifier.classes().size(); ++index)
                if (classifier.classes()[index].id == agent.agent)
                    classOfAgent_[std::size_t(agent.id)] = index;
        }
    }

    void readDays();
    void readStatuses();
    void readClientNames();

private:
    // A query of the days in range: its day column compared with ?1 and ?2.
    QByteArray ranged(const char *columns, const char *table, const char *tail = "") const;
    void bindRange(SqliteStatement &query) const;
    int classOf(qint64 agent) const;
    qint32 page(qint32 stored);

    const StoreOverviewRequest &request_;
    SqliteDb &db_;
    OverviewAccumulator &figures_;
    SqliteStatement pageQuery_;
    std::vector<int> classOfAgent_;  // by stored agent id
    std::vector<qint32> pages_;      // the accumulator's page id by stored page id; -1: not met yet
};

int StoreReader::classOf(qint64 agent) const
{
    const int agentClass = agent >= 0 && std::size_t(agent) < classOfAgent_.size() ? classOfAgent_[std::size_t(agent)] : -1;
    if (agentClass < 0)
        throw SqliteFailure(SQLITE_CORRUPT, QStringLiteral("a day names an agent that is not in agents"));
    return agentClass;
}

qint32 StoreReader::page(qint32 stored)
{
    if (std::size_t(stored) >= pages_.size())
        pages_.resize(std::size_t(stored) + 1, -1);
    qint32 &id = pages_[std::size_t(stored)];
    if (id < 0) {
        pageQuery_.bind(1, stored);
        if (!pageQuery_.step())
            throw SqliteFailure(SQLITE_CORRUPT, QStringLiteral("a day names a page that is not in pages"));
        id = figures_.internPage(pageQuery_.blob(1), FamilyOfKey(pageQuery_.text(0)));
        while (pageQuery_.step()) {
        }
    }
    return id;
}

QByteArray StoreReader::ranged(const char *columns, const char *table, const char *tail) const
{
    return QByteArray("SELECT ") + columns + " FROM " + table + DayRange(request_) + tail;
}

void StoreReader::bindRange(SqliteStatement &query) const
{
    const bool ranged = request_.from.isValid() || request_.to.isValid();
    query.bind(1, ranged ? std::max(DayNumber(request_.from), 1) : 0);
    query.bind(2, request_.to.isValid() ? DayNumber(request_.to) : 99991231);
}

void StoreReader::readDays()
{
    const QByteArray sql = ranged("day, agent, requests, bytes, first_second, last_second, pages, clients", "day_agents");
    SqliteStatement query(db_, sql.constData());
    bindRange(query);
    std::vector<PageEntry> pages;
    std::vector<ClientEntry> clients;
    while (query.step()) {
        const qint32 day = qint32(query.integer(0));
        const int agentClass = classOf(query.integer(1));
        figures_.addCountedDay({agentClass, day, query.integer(2), query.integer(3), qint32(query.integer(4)),
                                qint32(query.integer(5))});
        pages.clear();
        clients.clear();
        if (!DecodePages(query.blob(6), pages) || !DecodeClients(query.blob(7), clients))
            throw SqliteFailure(SQLITE_CORRUPT, QStringLiteral("a day's page or client list is cut short"));
        for (const PageEntry &entry : pages)
            figures_.addCountedPair(agentClass, day, page(entry.page), entry.status, entry.requests, entry.lastSecond);
        for (const ClientEntry &entry : clients)
            figures_.addCountedClient(agentClass, entry.client, entry.requests);
    }
}

void StoreReader::readStatuses()
{
    const QByteArray sql = ranged("agent, status, SUM(requests)", "day_statuses", " GROUP BY agent, status");
    SqliteStatement query(db_, sql.constData());
    bindRange(query);
    while (query.step())
        figures_.addCountedStatus(classOf(query.integer(0)), int(query.integer(1)), query.integer(2));
}

void StoreReader::readClientNames()
{
    SqliteStatement query(db_, "SELECT client, address FROM client_names");
    while (query.step())
        figures_.addClientText(quint64(query.integer(0)), query.text(1).toLatin1());
}

void ReadInputs(SqliteDb &db, OverviewResult &result)
{
    SqliteStatement query(db, "SELECT name, family, compression, records, bad_lines FROM contents ORDER BY id");
    while (query.step()) {
        OverviewInput input;
        input.path = query.text(0);
        input.family = FamilyOfKey(query.text(1));
        input.compression = CompressionOfKey(query.text(2));
        input.records = query.integer(3);
        input.badLines = query.integer(4);
        result.records += input.records;
        result.badLines += input.badLines;
        result.inputs.append(input);
    }
}

}  // namespace

std::optional<OverviewResult> OverviewFromStore(const StoreOverviewRequest &request, const AgentCatalogue &catalogue,
                                                QString *problem)
{
    try {
        SiteStore store(request.storePath, SiteStore::Access::Read);
        SqliteDb &db = store.db();
        db.exec("BEGIN");  // one view of the store, whatever an import does meanwhile
        StoreTables tables(db);
        const QList<StoredAgent> agents = tables.agents();
        const AgentCatalogue classes = StoredCatalogue(agents, catalogue);
        const AgentClassifier classifier(classes);
        OverviewAccumulator figures(classifier, DayNumber(request.from), DayNumber(request.to), request.clientRequests);
        StoreReader reader(request, db, agents, classifier, figures);
        reader.readDays();
        reader.readStatuses();
        if (request.clientRequests)
            reader.readClientNames();

        OverviewResult result;
        result.from = request.from;
        result.to = request.to;
        result.problems = catalogue.problems;
        ReadInputs(db, result);
        figures.fillResult(result);
        db.exec("COMMIT");
        return result;
    } catch (const SqliteFailure &failure) {
        *problem = StoreProblemText(failure, request.storePath);
        return std::nullopt;
    }
}
