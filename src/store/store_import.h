#pragma once

#include "overview/agent_catalogue.h"
#include "overview/overview_run.h"

#include <QList>
#include <QString>
#include <QStringList>

class StopFlag;

struct ImportRequest
{
    QString storePath;
    QStringList paths;       // folders and files; standard input has no identity to import by
    bool recursive = false;
    QString logFormat;       // as OverviewRequest::logFormat
    int jobs = 1;            // logs read side by side; the store's figures do not depend on it
    int keepDays = 0;        // > 0: days older than this many days before the newest day are dropped
    qint64 storePageLimit = 0;  // > 0: the store may not grow past this many pages (SQLite's
                                // max_page_count), as on a full disk
};

// What one input brought.
struct ImportedInput
{
    enum class Outcome { Added, NothingNew, Skipped, Differs, Failed };
    QString name;  // as reports name it (relative to the folder given)
    Outcome outcome = Outcome::Added;
    qint64 records = 0;  // records added to the store
    QString reason;      // why skipped or failed
};

struct ImportResult
{
    QList<ImportedInput> inputs;  // in the order given (folders in natural name order)
    QStringList problems;         // paths that are no input, a malformed crawlers.json, ...
    QString storeProblem;         // the store could not be used; the import ended there
    qint64 records = 0;           // added in all
    int droppedDays = 0;          // by keepDays
    bool stopped = false;         // the stop flag ended it: the file in hand was not imported

    bool failed() const;  // the store failed, or an input could not be read
};

// Empty when the request can run, else why not, in Chinese.
QString ImportRequestProblem(const ImportRequest &request);

// Imports what is new in the inputs into the store, each input in one
// transaction: a failure, a stop or a crash leaves the store as it was before
// that input. Content is known by itself, not by its file: see docs/store.md.
ImportResult RunImport(const ImportRequest &request, const AgentCatalogue &catalogue,
                       OverviewProgress *progress = nullptr, const StopFlag *stop = nullptr);

// "NAME：新增 N 条记录", "NAME：已导入，无新内容", "NAME：<why not>".
QString ImportedInputLine(const ImportedInput &input);
// The closing line: inputs, records added, and what went wrong.
QString ImportSummaryLine(const ImportResult &result);
