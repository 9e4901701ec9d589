#pragma once

#include "logs/log_reader.h"
#include "store/sqlite_db.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

class AgentClassifier;
class DayAccumulator;
class PageTable;
struct AgentClass;
struct DayAgentFigures;

// An imported content: its identity and how much of it is in the store.
struct StoredContent
{
    qint64 id = 0;  // 0: not stored yet
    quint64 headHash = 0;
    qint64 length = 0;
    quint64 hash = 0;
};

// A stored agent as the import's classifier gave it.
struct StoredAgent
{
    qint64 id = 0;
    QString agent;  // the classifier's id: "baiduspider", "browser", ...
    QString name;
    QString family;
    QString category;  // CategoryKey
    bool catalogued = false;
};

// The statements of the store's tables (docs/store.md), kept prepared.
// Every call throws SqliteFailure when SQLite fails.
class StoreTables
{
public:
    explicit StoreTables(SqliteDb &db);
    ~StoreTables();

    // Import bookkeeping.
    void loadPages(PageTable &pages);
    std::set<qint64> shortContentLengths(qint64 below);
    bool fileUnchanged(qint64 device, qint64 inode, qint64 size, qint64 modified);
    // The stored content that `head` (a content's first bytes) continues, the longest when several do.
    std::optional<StoredContent> findContent(const QByteArray &head, const std::set<qint64> &shortLengths);
    qint64 saveContent(const StoredContent &content, const LogFileStats &stats, const QString &name);
    void saveFile(qint64 device, qint64 inode, qint64 size, qint64 modified, qint64 content);
    // Adds a log's figures to the days they fall on; `pages` is the store's page table, grown as needed.
    void saveFigures(const DayAccumulator &figures, const AgentClassifier &classifier, PageTable &pages);
    // Drops the days more than `days` days before the newest one; the number of days dropped.
    int dropDaysBefore(int days);
    void rollBack();

    // Reading.
    QList<StoredAgent> agents();

private:
    qint64 agentId(const AgentClass &agent);
    void saveDay(DayAgentFigures figures);

    SqliteDb &db_;
    struct Statements;
    std::unique_ptr<Statements> statements_;
    std::unordered_map<QString, qint64> agentIds_;
};

// The keys FamilyKey() and CompressionKey() write into the tables, read back.
LogFamily FamilyOfKey(const QString &key);
Compression CompressionOfKey(const QString &key);
