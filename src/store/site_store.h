#pragma once

#include "store/sqlite_db.h"

#include <QString>

#include <memory>

// A site's store: one SQLite file of plain tables (docs/store.md), holding per
// day and agent what the overview needs, and the import's bookkeeping.
class SiteStore
{
public:
    static constexpr int kSchemaVersion = 2;

    enum class Access {
        Read,   // the file must exist and be of a version this program reads
        Write,  // made when missing, upgraded in place when older
    };

    // Throws SqliteFailure, or a StoreRefusal for a store this program must not use.
    SiteStore(const QString &path, Access access);

    SqliteDb &db() { return db_; }
    const QString &path() const { return path_; }

private:
    void upgrade(int version);

    QString path_;
    SqliteDb db_;
};

// A store that opened but must not be used (from a newer version, or read-only for an import).
class StoreRefusal : public SqliteFailure
{
public:
    explicit StoreRefusal(const QString &message) : SqliteFailure(0, message) {}
};

// What went wrong with the store at `path`, in Chinese, for a report line.
QString StoreProblemText(const SqliteFailure &failure, const QString &path);

// The store file of a site by default: "<name>.sqlite" in the user's data folder.
QString DefaultStorePath(const QString &siteName);
