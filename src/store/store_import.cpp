#include "store/store_import.h"

#include "common/ordered_parallel_map.h"
#include "common/stop_flag.h"
#include "logs/log_input.h"
#include "logs/log_reader.h"
#include "overview/page_table.h"
#include "store/day_figures.h"
#include "store/site_store.h"
#include "store/store_tables.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <sys/stat.h>

#include <set>
#include <unordered_map>

namespace {

constexpr int kLockWaitMs = 10000;
const QString kDiffers = QStringLiteral("内容与已导入的不同");

// A file as the system knows it: the same (device, inode, size, time) means
// the same bytes, so an unchanged file is passed over without reading it.
struct FileIdentity
{
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0;  // nanoseconds
    bool known = false;
};

FileIdentity IdentityOf(const QString &path)
{
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_dev), qint64(info.st_ino), qint64(info.st_size),
            qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, true};
}

// How an input is to be read, decided from the store before reading it.
struct Plan
{
    FileIdentity file;
    bool unchanged = false;  // the file is as the last import left it
    QString problem;         // it cannot be read
    qint64 content = 0;      // the content it continues; 0: new content
    LogReadOptions::Resume resume;
    quint64 headKey = 0;     // ContentHash of its first bytes
    bool shortHead = false;  // fewer than ContentHash::kHeadBytes
};

struct Read
{
    LogFileStats stats;
    std::unique_ptr<DayAccumulator> figures;
};

class Importer
{
public:
    Importer(const ImportRequest &request, const AgentCatalogue &catalogue, OverviewProgress *progress,
             const StopFlag *stop)
        : request_(request), classifier_(catalogue), progress_(progress), stop_(stop),
          store_(request.storePath, SiteStore::Access::Write), tables_(store_.db())
    {
        if (request.storePageLimit > 0)
            store_.db().exec(QByteArray("PRAGMA max_page_count = " + QByteArray::number(request.storePageLimit)).constData());
        tables_.loadPages(pages_);
        shortLengths_ = tables_.shortContentLengths(ContentHash::kHeadBytes);
    }

    void run(ImportResult &result);

private:
    Plan plan(const LogInput &input);
    Read read(const LogInput &input, const Plan &plan, const StopFlag &cancelled);
    // Records what the read found; false when the store failed and the import must end.
    bool commit(const LogInput &input, const Plan &plan, const Read &read, ImportResult &result,
                ImportedInput &line);
    void keepDays(ImportResult &result);
    bool stopRequested() const { return stop_ && stop_->isSet(); }

    const ImportRequest &request_;
    const AgentClassifier classifier_;
    OverviewProgress *progress_;
    const StopFlag *stop_;
    SiteStore store_;
    StoreTables tables_;
    PageTable pages_;  // the store's pages, ids as in its pages table
    std::set<qint64> shortLengths_;
};

Plan Importer::plan(const LogInput &input)
{
    Plan plan;
    plan.file = IdentityOf(input.path);
    if (plan.file.known && tables_.fileUnchanged(plan.file.device, plan.file.inode, plan.file.size, plan.file.modified)) {
        plan.unchanged = true;
        return plan;
    }
    const std::optional<QByteArray> head = ReadLogContentHead(input, ContentHash::kHeadBytes, &plan.problem);
    if (!head)
        return plan;
    plan.headKey = ContentHash::of(*head);
    plan.shortHead = head->size() < ContentHash::kHeadBytes;
    if (const std::optional<StoredContent> match = tables_.findContent(*head, shortLengths_)) {
        plan.content = match->id;
        plan.resume = {match->length, match->hash};
    }
    return plan;
}

Read Importer::read(const LogInput &input, const Plan &plan, const StopFlag &cancelled)
{
    LogReadOptions options;
    options.logFormat = request_.logFormat;
    options.w3cColumns = W3cColumns::Counted;  // as the overview counts bad lines
    options.resume = plan.resume;
    Read read{{}, std::make_unique<DayAccumulator>(classifier_)};
    RecordProgress counted(progress_ ? &progress_->records : nullptr);
    read.stats = ReadLogRecords(
        input, options,
        [&](std::span<const LogRecord> records) {
            read.figures->add(records);
            counted.add(records.size());
        },
        stop_ ? stop_ : &cancelled, progress_ ? &progress_->bytesRead : nullptr);
    return read;
}

bool Importer::commit(const LogInput &input, const Plan &plan, const Read &read, ImportResult &result,
                      ImportedInput &line)
{
    const LogFileStats &stats = read.stats;
    if (!stats.skipReason.isEmpty()) {
        line.outcome = ImportedInput::Outcome::Skipped;
        line.reason = stats.skipReason;
        return true;
    }
    if (!stats.opened) {
        line.outcome = ImportedInput::Outcome::Failed;
        line.reason = stats.errorText;
        return true;
    }
    if (stats.contentDiffers) {
        line.outcome = ImportedInput::Outcome::Differs;
        line.reason = kDiffers;
        return true;
    }
    try {
        store_.db().exec("BEGIN IMMEDIATE");
        if (stats.contentLength > 0) {
            StoredContent content{plan.content, stats.contentHeadHash, stats.contentLength, stats.contentHash};
            content.id = tables_.saveContent(content, stats, input.displayPath);
            if (plan.file.known)
                tables_.saveFile(plan.file.device, plan.file.inode, plan.file.size, plan.file.modified, content.id);
            if (stats.contentLength < ContentHash::kHeadBytes)
                shortLengths_.insert(stats.contentLength);
        }
        tables_.saveFigures(*read.figures, classifier_, pages_);
        store_.db().exec("COMMIT");
    } catch (const SqliteFailure &failure) {
        tables_.rollBack();
        result.storeProblem = StoreProblemText(failure, request_.storePath);
        line.outcome = ImportedInput::Outcome::Failed;
        line.reason = QStringLiteral("未导入");
        return false;
    }
    line.records = stats.records;
    result.records += stats.records;
    const bool grew = plan.content == 0 || stats.contentLength > plan.resume.length;
    line.outcome = grew ? ImportedInput::Outcome::Added : ImportedInput::Outcome::NothingNew;
    if (stats.failed()) {
        line.outcome = ImportedInput::Outcome::Failed;
        line.reason = stats.errorText;
    }
    return true;
}

void Importer::run(ImportResult &result)
{
    const LogInputScan scan = CollectLogInputs(request_.paths, request_.recursive);
    result.problems += scan.problems;
    const qsizetype count = scan.inputs.size();
    QList<std::optional<ImportedInput>> lines(count);
    QList<Plan> plans(count);

    // Inputs that might hold the same content as another of this run are
    // read after the others, one by one, each seeing what the ones before it
    // brought; the rest may be read side by side.
    QList<qsizetype> together;
    QList<qsizetype> oneByOne;
    std::set<std::pair<qint64, qint64>> files;
    std::set<quint64> heads;
    qint64 totalBytes = 0;
    for (qsizetype index = 0; index < count && !stopRequested(); ++index) {
        const LogInput &input = scan.inputs[index];
        if (!input.skipReason.isEmpty()) {
            lines[index] = ImportedInput{input.displayPath, ImportedInput::Outcome::Skipped, 0, input.skipReason};
            continue;
        }
        plans[index] = plan(input);
        const Plan &planned = plans[index];
        if (planned.unchanged || !planned.problem.isEmpty()) {
            lines[index] = ImportedInput{input.displayPath,
                                         planned.unchanged ? ImportedInput::Outcome::NothingNew : ImportedInput::Outcome::Failed,
                                         0, planned.problem};
            continue;
        }
        const bool newFile = files.insert({planned.file.device, planned.file.inode}).second;
        const bool newHead = heads.insert(planned.headKey).second;
        (newFile && newHead && !planned.shortHead ? together : oneByOne).append(index);
        totalBytes += planned.file.size;
    }
    if (progress_)
        progress_->totalBytes = totalBytes;

    bool storeOk = true;
    {
        OrderedParallelMap<Read> reads(together.size(), request_.jobs, [&](qsizetype at, const StopFlag &cancelled) {
            return read(scan.inputs[together[at]], plans[together[at]], cancelled);
        });
        for (qsizetype at = 0; at < together.size() && storeOk && !stopRequested(); ++at) {
            const qsizetype index = together[at];
            const Read outcome = reads.take(at);
            if (outcome.stats.stopped)
                break;
            ImportedInput line;
            line.name = scan.inputs[index].displayPath;
            storeOk = commit(scan.inputs[index], plans[index], outcome, result, line);
            lines[index] = line;
        }
    }
    for (qsizetype at = 0; at < oneByOne.size() && storeOk && !stopRequested(); ++at) {
        const qsizetype index = oneByOne[at];
        const LogInput &input = scan.inputs[index];
        ImportedInput line;
        line.name = input.displayPath;
        const Plan again = plan(input);  // the inputs before may have brought its content
        if (again.unchanged || !again.problem.isEmpty()) {
            line.outcome = again.unchanged ? ImportedInput::Outcome::NothingNew : ImportedInput::Outcome::Failed;
            line.reason = again.problem;
            lines[index] = line;
            continue;
        }
        StopFlag never;
        const Read outcome = read(input, again, never);
        if (outcome.stats.stopped)
            break;
        storeOk = commit(input, again, outcome, result, line);
        lines[index] = line;
    }
    result.stopped = stopRequested();
    for (const std::optional<ImportedInput> &line : lines)
        if (line)
            result.inputs.append(*line);
    if (storeOk && !result.stopped && request_.keepDays > 0)
        keepDays(result);
}

void Importer::keepDays(ImportResult &result)
{
    try {
        result.droppedDays = tables_.dropDaysBefore(request_.keepDays);
    } catch (const SqliteFailure &failure) {
        tables_.rollBack();
        result.storeProblem = StoreProblemText(failure, request_.storePath);
    }
}

}  // namespace

bool ImportResult::failed() const
{
    if (!storeProblem.isEmpty())
        return true;
    for (const ImportedInput &input : inputs)
        if (input.outcome == ImportedInput::Outcome::Failed)
            return true;
    return false;
}

QString ImportRequestProblem(const ImportRequest &request)
{
    if (request.storePath.isEmpty())
        return QStringLiteral("请用 --store 指定存储文件");
    if (request.paths.isEmpty())
        return QStringLiteral("请给出日志文件或文件夹");
    if (request.paths.contains(QStringLiteral("-")))
        return QStringLiteral("导入不读标准输入：它的内容无从辨认，下次导入会重复计数");
    if (request.jobs < 1)
        return QStringLiteral("--jobs 须为正整数");
    if (request.keepDays < 0)
        return QStringLiteral("--keep-days 须为正整数");
    return LogFormatProblem(request.logFormat);
}

ImportResult RunImport(const ImportRequest &request, const AgentCatalogue &catalogue, OverviewProgress *progress,
                       const StopFlag *stop)
{
    ImportResult result;
    result.problems = catalogue.problems;
    QDir().mkpath(QFileInfo(request.storePath).absolutePath());
    // One import at a time per store: the second one waits, then refuses.
    QLockFile lock(request.storePath + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);  // a long import is no stale lock; a dead one's is found by its process
    if (!lock.tryLock(kLockWaitMs)) {
        if (lock.error() == QLockFile::LockFailedError)
            result.storeProblem = QStringLiteral("另一个导入正在写入此存储，等了 10 秒仍未结束，本次不导入：") + request.storePath;
        else
            result.storeProblem = QStringLiteral("无法建立存储的锁文件：") + request.storePath + QStringLiteral(".lock");
        return result;
    }
    try {
        Importer importer(request, catalogue, progress, stop);
        importer.run(result);
    } catch (const SqliteFailure &failure) {
        result.storeProblem = StoreProblemText(failure, request.storePath);
    }
    return result;
}

QString ImportedInputLine(const ImportedInput &input)
{
    const QString head = input.name + u'：';
    switch (input.outcome) {
    case ImportedInput::Outcome::Added:
        return head + QStringLiteral("新增 %1 条记录").arg(input.records);
    case ImportedInput::Outcome::NothingNew:
        return head + QStringLiteral("已导入，无新内容");
    case ImportedInput::Outcome::Failed:
        if (input.records > 0)
            return head + QStringLiteral("新增 %1 条记录，之后出错：%2").arg(input.records).arg(input.reason);
        return head + input.reason;
    case ImportedInput::Outcome::Skipped:
    case ImportedInput::Outcome::Differs:
        break;
    }
    return head + input.reason;
}

QString ImportSummaryLine(const ImportResult &result)
{
    int added = 0;
    int nothingNew = 0;
    int notImported = 0;
    for (const ImportedInput &input : result.inputs) {
        if (input.outcome == ImportedInput::Outcome::Added)
            ++added;
        else if (input.outcome == ImportedInput::Outcome::NothingNew)
            ++nothingNew;
        else
            ++notImported;
    }
    QString line = QStringLiteral("共 %1 个文件：%2 个有新内容，%3 个无新内容，%4 个未导入或出错；新增 %5 条记录")
                       .arg(result.inputs.size()).arg(added).arg(nothingNew).arg(notImported).arg(result.records);
    if (result.droppedDays > 0)
        line += QStringLiteral("；删去 %1 天旧数据").arg(result.droppedDays);
    if (result.stopped)
        line += QStringLiteral("；已停止，正在读的文件未导入");
    return line;
}
