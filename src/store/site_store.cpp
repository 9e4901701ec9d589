#include "store/site_store.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

namespace {

// Each step takes a store of version N - 1 to version N (index N - 1); a
// store is upgraded step by step, each step in one transaction.
const char *const kUpgrades[] = {
    // 1: the first tables.
    R"(CREATE TABLE agents(
           id INTEGER PRIMARY KEY, agent TEXT NOT NULL UNIQUE, name TEXT NOT NULL, family TEXT NOT NULL,
           category TEXT NOT NULL, catalogued INTEGER NOT NULL);
       CREATE TABLE pages(id INTEGER PRIMARY KEY, family TEXT NOT NULL, page BLOB NOT NULL);
       CREATE TABLE client_names(client INTEGER PRIMARY KEY, address TEXT NOT NULL);
       CREATE TABLE day_agents(
           day INTEGER NOT NULL, agent INTEGER NOT NULL, requests INTEGER NOT NULL, bytes INTEGER NOT NULL,
           first_second INTEGER NOT NULL, last_second INTEGER NOT NULL, pages BLOB NOT NULL, clients BLOB NOT NULL,
           PRIMARY KEY(day, agent)) WITHOUT ROWID;
       CREATE INDEX day_agents_by_agent ON day_agents(agent, day);
       CREATE TABLE day_statuses(
           day INTEGER NOT NULL, agent INTEGER NOT NULL, status INTEGER NOT NULL, requests INTEGER NOT NULL,
           PRIMARY KEY(day, agent, status)) WITHOUT ROWID;
       CREATE TABLE day_hours(
           day INTEGER NOT NULL, agent INTEGER NOT NULL, hour INTEGER NOT NULL, requests INTEGER NOT NULL,
           PRIMARY KEY(day, agent, hour)) WITHOUT ROWID;
       CREATE TABLE contents(
           id INTEGER PRIMARY KEY, head_hash INTEGER NOT NULL, length INTEGER NOT NULL, hash INTEGER NOT NULL,
           records INTEGER NOT NULL, bad_lines INTEGER NOT NULL, family TEXT NOT NULL, compression TEXT NOT NULL,
           name TEXT NOT NULL, imported TEXT NOT NULL, bytes_logged INTEGER NOT NULL);
       CREATE INDEX contents_by_head ON contents(head_hash);
       CREATE TABLE files(
           device INTEGER NOT NULL, inode INTEGER NOT NULL, size INTEGER NOT NULL, modified INTEGER NOT NULL,
           content INTEGER NOT NULL, PRIMARY KEY(device, inode)) WITHOUT ROWID;)",
    // 2: other crawlers' requests by their bot word (the word in lower case,
    // and as first spelt); keyword-ranking runs and their answers.
    R"(CREATE TABLE day_bot_words(
           day INTEGER NOT NULL, word BLOB NOT NULL, spelt BLOB NOT NULL, requests INTEGER NOT NULL,
           PRIMARY KEY(day, word)) WITHOUT ROWID;
       CREATE TABLE rank_runs(
           id INTEGER PRIMARY KEY, day INTEGER NOT NULL, finished TEXT NOT NULL, site TEXT NOT NULL,
           depth INTEGER NOT NULL);
       CREATE TABLE ranks(
           run INTEGER NOT NULL, keyword TEXT NOT NULL, engine TEXT NOT NULL, rank INTEGER, url TEXT,
           PRIMARY KEY(run, keyword, engine)) WITHOUT ROWID;
       CREATE INDEX ranks_by_query ON ranks(keyword, engine, run);)",
};
static_assert(std::size(kUpgrades) == SiteStore::kSchemaVersion);

int UserVersion(SqliteDb &db)
{
    SqliteStatement query(db, "PRAGMA user_version");
    const int version = query.step() ? int(query.integer(0)) : 0;
    while (query.step()) {
    }
    return version;
}

// Reading never makes a store: a mistyped name is said, not answered with nothing.
SqliteDb::Mode ModeFor(const QString &path, SiteStore::Access access)
{
    if (access == SiteStore::Access::Write)
        return SqliteDb::Mode::ReadWrite;
    if (!QFileInfo(path).isFile())
        throw StoreRefusal(QStringLiteral("存储文件不存在：") + path);
    return SqliteDb::Mode::ReadOnly;
}

}  // namespace

SiteStore::SiteStore(const QString &path, Access access) : path_(path), db_(path, ModeFor(path, access))
{
    sqlite3_busy_timeout(db_.handle(), 10000);
    // A year's answer reads the whole file: mapped, its pages need no read call each.
    db_.exec("PRAGMA mmap_size = 1073741824");
    const int version = UserVersion(db_);
    if (version > kSchemaVersion)
        throw StoreRefusal(QStringLiteral("存储文件来自更新版本的蛛迹通（格式 %1，本程序只认到格式 %2），请升级后再用：%3")
                               .arg(version).arg(kSchemaVersion).arg(path));
    if (access == Access::Write) {
        // A write-ahead log: a file's transaction costs one append, not a
        // journal written and synced; a crash still leaves every transaction
        // whole or absent.
        db_.exec("PRAGMA journal_mode = WAL");
        db_.exec("PRAGMA synchronous = NORMAL");
        if (db_.readOnly())
            throw StoreRefusal(QStringLiteral("存储文件只读，无法导入：") + path);
        upgrade(version);
    } else if (version < kSchemaVersion) {
        throw StoreRefusal(QStringLiteral("存储文件是旧格式（格式 %1），请先导入一次以升级：%2").arg(version).arg(path));
    }
}

void SiteStore::upgrade(int version)
{
    for (; version < kSchemaVersion; ++version)
        db_.writeTransaction([&] {
            db_.exec(kUpgrades[version]);
            db_.exec(QByteArray("PRAGMA user_version = " + QByteArray::number(version + 1)).constData());
        });
}

QString StoreProblemText(const SqliteFailure &failure, const QString &path)
{
    switch (failure.code()) {
    case 0:
        return failure.detail();  // a StoreRefusal says it all
    case SQLITE_NOTADB:
        return QStringLiteral("不是蛛迹通的存储文件（不是 SQLite 数据库）：") + path;
    case SQLITE_CORRUPT:
        return QStringLiteral("存储文件已损坏：") + path;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return QStringLiteral("存储文件只读，无法写入：") + path;
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满或存储文件已达大小上限，无法写入：") + path;
    case SQLITE_CANTOPEN:
        return QStringLiteral("无法打开存储文件：") + path;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("存储文件正被另一个程序使用：") + path;
    case SQLITE_IOERR:
        return QStringLiteral("读写存储文件出错：") + path;
    default:
        return QStringLiteral("存储出错（%1）：%2").arg(failure.detail(), path);
    }
}

QString DefaultStorePath(const QString &siteName)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(siteName + QStringLiteral(".sqlite"));
}
