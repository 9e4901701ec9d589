#include "store/store_tables.h"

#include "overview/agent_classifier.h"
#include "overview/overview_format.h"
#include "overview/page_table.h"
#include "store/day_figures.h"

#include <QDate>
#include <QDateTime>

#include <sqlite3.h>

#include <algorithm>

namespace {

// Every agent's figures of one day in these three tables.
const char *const kDayTables[] = {"day_agents", "day_statuses", "day_hours", "day_bot_words"};

[[noreturn]] void Damaged(const char *what)
{
    throw SqliteFailure(SQLITE_CORRUPT, QString::fromLatin1(what));
}

}  // namespace

LogFamily FamilyOfKey(const QString &key)
{
    if (key == QLatin1String("ncsa"))
        return LogFamily::Ncsa;
    return key == QLatin1String("custom") ? LogFamily::Custom : LogFamily::W3c;
}

Compression CompressionOfKey(const QString &key)
{
    for (int i = 0; i <= int(Compression::Xz); ++i)
        if (CompressionKey(Compression(i)) == key)
            return Compression(i);
    return Compression::None;
}

struct StoreTables::Statements
{
    explicit Statements(SqliteDb &db)
        : selectFile(db, "SELECT size, modified FROM files WHERE device = ?1 AND inode = ?2"),
          contentByLongHead(db, "SELECT id, length, hash FROM contents WHERE head_hash = ?1 AND length >= ?2"),
          contentByShortHead(db, "SELECT id, length, hash FROM contents WHERE head_hash = ?1 AND length = ?2"),
          insertContent(db, "INSERT INTO contents(head_hash, length, hash, records, bad_lines, family, compression, "
                            "name, imported, bytes_logged) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"),
          updateContent(db, "UPDATE contents SET head_hash = ?1, length = ?2, hash = ?3, records = records + ?4, "
                            "bad_lines = bad_lines + ?5, family = ?6, compression = ?7, name = ?8, imported = ?9, "
                            "bytes_logged = MAX(bytes_logged, ?10) WHERE id = ?11"),
          saveFile(db, "INSERT OR REPLACE INTO files(device, inode, size, modified, content) VALUES(?1, ?2, ?3, ?4, ?5)"),
          insertPage(db, "INSERT INTO pages(id, family, page) VALUES(?1, ?2, ?3)"),
          insertClientName(db, "INSERT OR IGNORE INTO client_names(client, address) VALUES(?1, ?2)"),
          selectAgent(db, "SELECT id FROM agents WHERE agent = ?1"),
          insertAgent(db, "INSERT INTO agents(agent, name, family, category, catalogued) VALUES(?1, ?2, ?3, ?4, ?5)"),
          updateAgent(db, "UPDATE agents SET name = ?2, family = ?3, category = ?4, catalogued = ?5 WHERE agent = ?1"),
          selectDay(db, "SELECT requests, bytes, first_second, last_second, pages, clients FROM day_agents "
                        "WHERE day = ?1 AND agent = ?2"),
          saveDay(db, "INSERT OR REPLACE INTO day_agents(day, agent, requests, bytes, first_second, last_second, "
                      "pages, clients) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"),
          addStatus(db, "INSERT INTO day_statuses(day, agent, status, requests) VALUES(?1, ?2, ?3, ?4) "
                        "ON CONFLICT(day, agent, status) DO UPDATE SET requests = requests + excluded.requests"),
          addHour(db, "INSERT INTO day_hours(day, agent, hour, requests) VALUES(?1, ?2, ?3, ?4) "
                      "ON CONFLICT(day, agent, hour) DO UPDATE SET requests = requests + excluded.requests"),
          addBotWord(db, "INSERT INTO day_bot_words(day, word, spelt, requests) VALUES(?1, ?2, ?3, ?4) "
                         "ON CONFLICT(day, word) DO UPDATE SET requests = requests + excluded.requests")
    {
    }

    SqliteStatement selectFile;
    SqliteStatement contentByLongHead;
    SqliteStatement contentByShortHead;
    SqliteStatement insertContent;
    SqliteStatement updateContent;
    SqliteStatement saveFile;
    SqliteStatement insertPage;
    SqliteStatement insertClientName;
    SqliteStatement selectAgent;
    SqliteStatement insertAgent;
    SqliteStatement updateAgent;
    SqliteStatement selectDay;
    SqliteStatement saveDay;
    SqliteStatement addStatus;
    SqliteStatement addHour;
    SqliteStatement addBotWord;
};

StoreTables::StoreTables(SqliteDb &db) : db_(db), statements_(std::make_unique<Statements>(db)) {}

StoreTables::~StoreTables() = default;

void StoreTables::loadPages(PageTable &pages)
{
    SqliteStatement query(db_, "SELECT id, family, page FROM pages ORDER BY id");
    while (query.step())
        if (pages.intern(query.blob(2), FamilyOfKey(query.text(1))) != query.integer(0))
            Damaged("pages are not numbered 0, 1, 2, ... or repeat");
}

std::set<qint64> StoreTables::shortContentLengths(qint64 below)
{
    SqliteStatement query(db_, "SELECT DISTINCT length FROM contents WHERE length < ?1");
    query.bind(1, below);
    std::set<qint64> lengths;
    while (query.step())
        lengths.insert(query.integer(0));
    return lengths;
}

bool StoreTables::fileUnchanged(qint64 device, qint64 inode, qint64 size, qint64 modified)
{
    SqliteStatement &query = statements_->selectFile;
    query.bind(1, device).bind(2, inode);
    bool same = false;
    while (query.step())
        same = query.integer(0) == size && query.integer(1) == modified;
    return same;
}

std::optional<StoredContent> StoreTables::findContent(const QByteArray &head, const std::set<qint64> &shortLengths)
{
    std::optional<StoredContent> best;
    auto collect = [&](SqliteStatement &query, quint64 headHash) {
        while (query.step())
            if (!best || query.integer(1) > best->length)
                best = StoredContent{query.integer(0), headHash, query.integer(1), quint64(query.integer(2))};
    };
    if (head.size() == ContentHash::kHeadBytes) {
        const quint64 headHash = ContentHash::of(head);
        statements_->contentByLongHead.bind(1, qint64(headHash)).bind(2, ContentHash::kHeadBytes);
        collect(statements_->contentByLongHead, headHash);
    }
    for (qint64 length : shortLengths) {
        if (length > head.size())
            break;
        const quint64 headHash = ContentHash::of(QByteArrayView(head).first(length));
        statements_->contentByShortHead.bind(1, qint64(headHash)).bind(2, length);
        collect(statements_->contentByShortHead, headHash);
    }
    return best;
}

qint64 StoreTables::saveContent(const StoredContent &content, const LogFileStats &stats, const QString &name)
{
    SqliteStatement &save = content.id == 0 ? statements_->insertContent : statements_->updateContent;
    save.bind(1, qint64(content.headHash)).bind(2, content.length).bind(3, qint64(content.hash));
    save.bind(4, stats.records).bind(5, stats.badLines);
    save.bindText(6, FamilyKey(stats.family)).bindText(7, CompressionKey(stats.compression)).bindText(8, name);
    save.bindText(9, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    save.bind(10, stats.bytesLogged ? 1 : 0);
    if (content.id != 0)
        save.bind(11, content.id);
    save.run();
    return content.id != 0 ? content.id : sqlite3_last_insert_rowid(db_.handle());
}

void StoreTables::saveFile(qint64 device, qint64 inode, qint64 size, qint64 modified, qint64 content)
{
    statements_->saveFile.bind(1, device).bind(2, inode).bind(3, size).bind(4, modified).bind(5, content).run();
}

qint64 StoreTables::agentId(const AgentClass &agent)
{
    if (const auto known = agentIds_.find(agent.id); known != agentIds_.end())
        return known->second;
    SqliteStatement &select = statements_->selectAgent;
    select.bindText(1, agent.id);
    qint64 id = 0;
    while (select.step())
        id = select.integer(0);
    // The names follow the catalogue of the latest import.
    SqliteStatement &save = id != 0 ? statements_->updateAgent : statements_->insertAgent;
    save.bindText(1, agent.id).bindText(2, agent.name).bindText(3, agent.family);
    save.bindText(4, CategoryKey(agent.category)).bind(5, agent.catalogued ? 1 : 0).run();
    if (id == 0)
        id = sqlite3_last_insert_rowid(db_.handle());
    agentIds_.emplace(agent.id, id);
    return id;
}

void StoreTables::saveFigures(const DayAccumulator &figures, const AgentClassifier &classifier, PageTable &pages)
{
    const PageTable &own = figures.pages();
    std::vector<qint32> pageIds(std::size_t(own.size()));
    for (qint32 page = 0; page < qint32(own.size()); ++page) {
        const qsizetype known = pages.size();
        const qint32 id = pages.intern(own.bytes(page), own.family(page));
        pageIds[std::size_t(page)] = id;
        if (pages.size() > known)
            statements_->insertPage.bind(1, id).bindText(2, FamilyKey(own.family(page))).bindBlob(3, own.bytes(page)).run();
    }
    for (const auto &[client, text] : figures.clientTexts())
        statements_->insertClientName.bind(1, qint64(client)).bindText(2, QString::fromLatin1(text)).run();
    for (DayAgentFigures day : figures.figures()) {
        day.agent = int(agentId(classifier.classes()[day.agent]));
        for (PageEntry &entry : day.pages)
            entry.page = pageIds[std::size_t(entry.page)];
        std::sort(day.pages.begin(), day.pages.end(), [](const PageEntry &a, const PageEntry &b) {
            return a.page != b.page ? a.page < b.page : a.status < b.status;
        });
        saveDay(std::move(day));
    }
}

void StoreTables::saveDay(DayAgentFigures figures)
{
    for (const auto &[status, requests] : figures.statuses)
        statements_->addStatus.bind(1, figures.day).bind(2, figures.agent).bind(3, status).bind(4, requests).run();
    for (int hour = 0; hour < 24; ++hour)
        if (figures.hours[std::size_t(hour)] > 0)
            statements_->addHour.bind(1, figures.day).bind(2, figures.agent).bind(3, hour)
                .bind(4, figures.hours[std::size_t(hour)]).run();
    const QHash<QByteArray, BotWordCounts::Word> &words = figures.botWords.words();
    for (auto word = words.cbegin(); word != words.cend(); ++word)
        statements_->addBotWord.bind(1, figures.day).bindBlob(2, word.key()).bindBlob(3, word->spelt)
            .bind(4, word->requests).run();

    SqliteStatement &select = statements_->selectDay;
    select.bind(1, figures.day).bind(2, figures.agent);
    if (select.step()) {
        DayAgentFigures stored{figures.day, figures.agent, select.integer(0), select.integer(1),
                               qint32(select.integer(2)), qint32(select.integer(3)), {}, {}, {}, {}, {}};
        const bool whole = DecodePages(select.blob(4), stored.pages) && DecodeClients(select.blob(5), stored.clients);
        while (select.step()) {
        }
        if (!whole)
            Damaged("a day's page or client list is cut short");
        stored.merge(figures);
        figures = std::move(stored);
    }
    SqliteStatement &save = statements_->saveDay;
    save.bind(1, figures.day).bind(2, figures.agent).bind(3, figures.requests).bind(4, figures.bytes);
    save.bind(5, figures.firstSecond).bind(6, figures.lastSecond);
    save.bindBlob(7, EncodePages(figures.pages)).bindBlob(8, EncodeClients(figures.clients)).run();
}

int StoreTables::dropDaysBefore(int days)
{
    SqliteStatement newest(db_, "SELECT MAX(day) FROM day_agents WHERE day > 0");
    qint64 day = 0;
    while (newest.step())
        day = newest.integer(0);
    if (day == 0)
        return 0;
    const QDate cutoff = QDate(int(day / 10000), int(day / 100 % 100), int(day % 100)).addDays(-days);
    db_.exec("BEGIN IMMEDIATE");
    SqliteStatement count(db_, "SELECT COUNT(DISTINCT day) FROM day_agents WHERE day > 0 AND day < ?1");
    count.bind(1, DayNumber(cutoff));
    int dropped = 0;
    while (count.step())
        dropped = int(count.integer(0));
    for (const char *table : kDayTables) {
        const QByteArray sql = QByteArray("DELETE FROM ") + table + " WHERE day > 0 AND day < ?1";
        SqliteStatement drop(db_, sql.constData());
        drop.bind(1, DayNumber(cutoff)).run();
    }
    db_.exec("COMMIT");
    return dropped;
}

void StoreTables::rollBack()
{
    if (!sqlite3_get_autocommit(db_.handle()))
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

QList<StoredAgent> StoreTables::agents()
{
    SqliteStatement query(db_, "SELECT id, agent, name, family, category, catalogued FROM agents ORDER BY id");
    QList<StoredAgent> agents;
    while (query.step())
        agents.append({query.integer(0), query.text(1), query.text(2), query.text(3), query.text(4), query.integer(5) != 0});
    return agents;
}
