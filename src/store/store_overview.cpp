#include "store/store_overview.h"

#include "overview/agent_classifier.h"
#include "overview/overview_accumulator.h"
#include "store/day_figures.h"
#include "store/site_store.h"
#include "store/store_tables.h"

#include <sqlite3.h>

#include <algorithm>

namespace {

// The stored agents as a catalogue, so that the overview's classes are the
// import's: agent ids as the import's classifier gave them.
AgentCatalogue StoredCatalogue(const QList<StoredAgent> &stored, const AgentCatalogue &current)
{
    AgentCatalogue catalogue;
    for (const StoredAgent &agent : stored) {
        if (!agent.catalogued)
            continue;
        CatalogueAgent entry;
        if (const CatalogueAgent *known = current.agent(agent.agent)) {
            entry = *known;
        } else {
            entry.id = agent.agent;
            entry.name = agent.name;
            entry.family = agent.family;
            entry.category = CategoryFromKey(agent.category).value_or(AgentCategory::Other);
        }
        entry.tokens.clear();  // the store's agents are classified already
        catalogue.agents.append(entry);
    }
    return catalogue;
}

class StoreReader
{
public:
    StoreReader(const StoreOverviewRequest &request, SqliteDb &db, const AgentClassifier &classifier,
                OverviewAccumulator &figures)
        : request_(request), db_(db), classifier_(classifier), figures_(figures),
          pageQuery_(db, "SELECT family, page FROM pages WHERE id = ?1")
    {
    }

    // One agent at a time: its pairs then fit in the cache, however many
    // agents and days there are.
    void readDays(const StoredAgent &agent);
    void readStatuses(const QList<StoredAgent> &agents);
    void readHours(const QList<StoredAgent> &agents);
    void readClientNames();
    void readBotWords();

private:
    // Binds ?1 and ?2 to the range's first and last day; a record without a
    // date (day 0) lies in no range.
    void bindRange(SqliteStatement &query) const;
    int classOf(const StoredAgent &agent) const;
    qint32 page(qint32 stored);

    const StoreOverviewRequest &request_;
    SqliteDb &db_;
    const AgentClassifier &classifier_;
    OverviewAccumulator &figures_;
    SqliteStatement pageQuery_;
    std::vector<qint32> pages_;  // the accumulator's page id by stored page id; -1: not met yet
};

// An agent's (page, status) pairs by stored page id, added up over the days
// before they go to the accumulator: a day lists its pairs by page id, so an
// array by page is walked in order where a hash table would miss the cache on
// most of a year's pairs.
class AgentPairs
{
public:
    void add(qint32 page, const PageEntry &entry, qint32 day)
    {
        if (std::size_t(page) >= firstOfPage_.size())
            firstOfPage_.resize(std::max<std::size_t>(std::size_t(page) + 1, firstOfPage_.size() * 2), -1);
        qint32 *link = &firstOfPage_[std::size_t(page)];
        while (*link >= 0 && pairs_[std::size_t(*link)].status != entry.status)
            link = &next_[std::size_t(*link)];
        const qint32 index = *link >= 0 ? *link : qint32(pairs_.size());
        if (*link < 0) {
            *link = index;  // before next_ grows, which may move what `link` points at
            pairs_.push_back({page, entry.status, 0, 0, 0});
            next_.push_back(-1);
        }
        OverviewAccumulator::CountedPair &pair = pairs_[std::size_t(index)];
        pair.requests += entry.requests;
        if (day != 0 && std::pair(day, entry.lastSecond) > std::pair(pair.lastDay, pair.lastSecond)) {
            pair.lastDay = day;
            pair.lastSecond = entry.lastSecond;
        }
    }

    const std::vector<OverviewAccumulator::CountedPair> &pairs() const { return pairs_; }

private:
    std::vector<qint32> firstOfPage_;  // by stored page id: index in pairs_, -1: none
    std::vector<qint32> next_;         // the page's next pair, -1: none
    std::vector<OverviewAccumulator::CountedPair> pairs_;
};

int StoreReader::classOf(const StoredAgent &agent) const
{
    for (int index = 0; index < classifier_.classes().size(); ++index)
        if (classifier_.classes()[index].id == agent.agent)
            return index;
    throw SqliteFailure(SQLITE_CORRUPT, QStringLiteral("an agent that is neither catalogued nor a class: ") + agent.agent);
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

void StoreReader::bindRange(SqliteStatement &query) const
{
    const bool ranged = request_.from.isValid() || request_.to.isValid();
    query.bind(1, ranged ? std::max(DayNumber(request_.from), 1) : 0);
    query.bind(2, request_.to.isValid() ? DayNumber(request_.to) : 99991231);
}

void StoreReader::readDays(const StoredAgent &agent)
{
    SqliteStatement query(db_, "SELECT day, requests, bytes, first_second, last_second, pages, clients FROM day_agents "
                               "WHERE agent = ?3 AND day BETWEEN ?1 AND ?2");
    bindRange(query);
    query.bind(3, agent.id);
    const int agentClass = classOf(agent);
    AgentPairs pairs;
    std::vector<PageEntry> pages;
    std::vector<ClientEntry> clients;
    while (query.step()) {
        const qint32 day = qint32(query.integer(0));
        figures_.addCountedDay({agentClass, day, query.integer(1), query.integer(2), qint32(query.integer(3)),
                                qint32(query.integer(4))});
        pages.clear();
        clients.clear();
        if (!DecodePages(query.blob(5), pages) || !DecodeClients(query.blob(6), clients))
            throw SqliteFailure(SQLITE_CORRUPT, QStringLiteral("a day's page or client list is cut short"));
        for (const PageEntry &entry : pages)
            pairs.add(entry.page, entry, day);
        for (const ClientEntry &entry : clients)
            figures_.addCountedClient(agentClass, entry.client, entry.requests);
    }
    if (pairs.pairs().empty())
        return;
    std::vector<OverviewAccumulator::CountedPair> counted = pairs.pairs();
    for (OverviewAccumulator::CountedPair &pair : counted)
        pair.page = page(pair.page);
    figures_.addCountedPairs(agentClass, counted);
}

void StoreReader::readStatuses(const QList<StoredAgent> &agents)
{
    SqliteStatement query(db_, "SELECT agent, status, SUM(requests) FROM day_statuses WHERE day BETWEEN ?1 AND ?2 "
                               "GROUP BY agent, status");
    bindRange(query);
    while (query.step()) {
        const qint64 id = query.integer(0);
        const auto agent = std::find_if(agents.begin(), agents.end(), [&](const StoredAgent &a) { return a.id == id; });
        if (agent == agents.end())
            throw SqliteFailure(SQLITE_CORRUPT, QStringLiteral("a status names an agent that is not in agents"));
        figures_.addCountedStatus(classOf(*agent), int(query.integer(1)), query.integer(2));
    }
}

void StoreReader::readHours(const QList<StoredAgent> &agents)
{
    SqliteStatement query(db_, "SELECT agent, hour, SUM(requests) FROM day_hours WHERE day BETWEEN ?1 AND ?2 "
                               "GROUP BY agent, hour");
    bindRange(query);
    while (query.step()) {
        const qint64 id = query.integer(0);
        const auto agent = std::find_if(agents.begin(), agents.end(), [&](const StoredAgent &a) { return a.id == id; });
        if (agent == agents.end())
            throw SqliteFailure(SQLITE_CORRUPT, QStringLiteral("an hour names an agent that is not in agents"));
        figures_.addCountedHour(classOf(*agent), int(query.integer(1)), query.integer(2));
    }
}

void StoreReader::readClientNames()
{
    SqliteStatement query(db_, "SELECT client, address FROM client_names");
    while (query.step())
        figures_.addClientText(quint64(query.integer(0)), query.text(1).toLatin1());
}

// By day, so that a word is shown as it was first spelt.
void StoreReader::readBotWords()
{
    SqliteStatement query(db_, "SELECT spelt, requests FROM day_bot_words WHERE day BETWEEN ?1 AND ?2 ORDER BY day");
    bindRange(query);
    while (query.step())
        figures_.addCountedBotWord(query.blob(0), query.integer(1));
}

void ReadPreviousRequests(SqliteDb &db, const StoreOverviewRequest &request, const QList<StoredAgent> &agents,
                          OverviewResult &result)
{
    QDate first = request.from;
    QDate last = request.to;
    SqliteStatement bounds(db, "SELECT MIN(day), MAX(day) FROM day_agents WHERE day > 0");
    while (bounds.step()) {
        first = first.isValid() ? first : DateOfDay(bounds.integer(0));
        last = last.isValid() ? last : DateOfDay(bounds.integer(1));
    }
    result.comparesPrevious = true;
    if (!first.isValid() || !last.isValid() || first > last)
        return;
    const qint64 length = first.daysTo(last) + 1;
    SqliteStatement query(db, "SELECT agent, SUM(requests) FROM day_agents WHERE day BETWEEN ?1 AND ?2 GROUP BY agent");
    query.bind(1, DayNumber(first.addDays(-length))).bind(2, DayNumber(first.addDays(-1)));
    while (query.step()) {
        const qint64 id = query.integer(0);
        for (const StoredAgent &stored : agents)
            if (stored.id == id)
                for (AgentOverview &agent : result.agents)
                    if (agent.id == stored.agent)
                        agent.previousRequests = query.integer(1);
    }
}

void ReadInputs(SqliteDb &db, OverviewResult &result)
{
    SqliteStatement query(db, "SELECT name, family, compression, records, bad_lines, bytes_logged FROM contents "
                              "ORDER BY id");
    while (query.step()) {
        OverviewInput input;
        input.path = query.text(0);
        input.family = FamilyOfKey(query.text(1));
        input.compression = CompressionOfKey(query.text(2));
        input.records = query.integer(3);
        input.badLines = query.integer(4);
        input.bytesLogged = query.integer(5) != 0;
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
        StoreReader reader(request, db, classifier, figures);
        for (const StoredAgent &agent : agents)
            reader.readDays(agent);
        reader.readStatuses(agents);
        reader.readHours(agents);
        reader.readBotWords();
        if (request.clientRequests)
            reader.readClientNames();

        OverviewResult result;
        result.from = request.from;
        result.to = request.to;
        result.problems = catalogue.problems;
        ReadInputs(db, result);
        figures.fillResult(result, request.threads);
        if (request.comparePrevious)
            ReadPreviousRequests(db, request, agents, result);
        db.exec("COMMIT");
        return result;
    } catch (const SqliteFailure &failure) {
        *problem = StoreProblemText(failure, request.storePath);
        return std::nullopt;
    }
}
