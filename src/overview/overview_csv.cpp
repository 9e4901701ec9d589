#include "overview/overview_csv.h"

#include "overview/agent_table.h"
#include "overview/overview_format.h"
#include "overview/site_tables.h"

#include <QDir>
#include <QSaveFile>

namespace {

QString CsvField(QString text)
{
    // Pages and names come from logs anyone can write to: a spreadsheet
    // would run a field that starts like a formula, so such a field is
    // kept as text by a leading apostrophe.
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && kFormulaStarts.contains(text.front()))
        text.prepend(u'\'');
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

}  // namespace

QString CsvRow(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted.append(CsvField(field));
    return quoted.join(u',');
}

namespace {

// A CSV file written as it goes (pages.csv may hold millions of rows) and
// saved atomically at the end.
class CsvFile
{
public:
    explicit CsvFile(const QString &path) : file_(path)
    {
        // UTF-8 with a byte-order mark: spreadsheet programs take the file
        // for the system's code page without it.
        if (file_.open(QIODevice::WriteOnly))
            buffer_ = "\xEF\xBB\xBF";
        else
            error_ = file_.errorString();
    }

    void row(const QStringList &fields)
    {
        buffer_ += CsvRow(fields).toUtf8() + "\r\n";
        if (buffer_.size() > (1 << 20))
            flush();
    }

    // Empty when saved, else why not.
    QString finish()
    {
        flush();
        if (error_.isEmpty() && !file_.commit())
            error_ = file_.errorString();
        if (error_.isEmpty())
            return {};
        return QStringLiteral("无法保存 %1：%2").arg(QDir::toNativeSeparators(file_.fileName()), error_);
    }

private:
    void flush()
    {
        if (error_.isEmpty() && file_.write(buffer_) != buffer_.size()) {
            error_ = file_.errorString();
            file_.cancelWriting();
        }
        buffer_.clear();
    }

    QSaveFile file_;
    QByteArray buffer_;
    QString error_;  // the first failure; later writes are not tried
};

void WriteAgents(const OverviewResult &result, CsvFile &csv)
{
    const QList<AgentColumn> columns = AgentTableColumns(result);
    QStringList headers;
    for (const AgentColumn &column : columns)
        headers.append(column.header);
    csv.row(headers);
    for (const AgentOverview &agent : result.agents) {
        QStringList row;
        for (const AgentColumn &column : columns)
            row.append(column.value(agent, AgentColumn::Shown::Raw));
        csv.row(row);
    }
}

// One row per day, one column per agent: what a spreadsheet charts directly.
void WriteDays(const OverviewResult &result, CsvFile &csv)
{
    QStringList headers = {QStringLiteral("日期"), QStringLiteral("全部")};
    for (const AgentOverview &agent : result.agents)
        headers.append(agent.name);
    csv.row(headers);
    for (auto day = result.days.cbegin(); day != result.days.cend(); ++day) {
        QStringList row = {DayText(day.key()), QString::number(day.value())};
        for (const AgentOverview &agent : result.agents)
            row.append(QString::number(agent.days.value(day.key())));
        csv.row(row);
    }
}

void WritePages(const OverviewResult &result, CsvFile &csv)
{
    csv.row({QStringLiteral("蜘蛛ID"), QStringLiteral("蜘蛛"), QStringLiteral("页面"), QStringLiteral("状态码"),
             QStringLiteral("请求数"), QStringLiteral("最后访问")});
    for (const AgentOverview &agent : result.agents)
        for (const PageStatusRequests &pair : agent.pageStatuses)
            csv.row({agent.id, agent.name, result.pageText(pair.page), pair.status ? QString::number(pair.status) : QString(),
                     QString::number(pair.requests), TimeText(pair.lastSeen)});
}

void WriteFakeClients(const OverviewResult &result, CsvFile &csv)
{
    const QList<FakeClientColumn> columns = FakeClientColumns();
    QStringList headers;
    for (const FakeClientColumn &column : columns)
        headers.append(column.header);
    csv.row(headers);
    for (const ClientVerdict &fake : result.verification->fakeClients) {
        QStringList row;
        for (const FakeClientColumn &column : columns)
            row.append(column.value(fake, result, AgentColumn::Shown::Raw));
        csv.row(row);
    }
}

void WriteCoverage(const OverviewResult &result, CsvFile &csv)
{
    csv.row(CoverageUrlHeaders());
    for (const AgentOverview *agent : CoverageAgents(result))
        for (int url = 0; url < result.sitemap->urls.size(); ++url)
            csv.row(CoverageUrlRow(result, *agent, url));
}

void WriteRobots(const OverviewResult &result, CsvFile &csv)
{
    csv.row(RobotsKeyHeaders());
    for (const AgentOverview *agent : RobotsAgents(result))
        for (const DisallowedKey &key : agent->robots->keys)
            csv.row(RobotsKeyRow(*agent, key));
}

using CsvWriter = void (*)(const OverviewResult &, CsvFile &);

QList<std::pair<QString, CsvWriter>> CsvFiles(const OverviewResult &result)
{
    QList<std::pair<QString, CsvWriter>> files{{QStringLiteral("agents.csv"), WriteAgents},
                                               {QStringLiteral("days.csv"), WriteDays},
                                               {QStringLiteral("pages.csv"), WritePages}};
    if (result.verification)
        files.append({QStringLiteral("fake_clients.csv"), WriteFakeClients});
    if (result.sitemap)
        files.append({QStringLiteral("coverage.csv"), WriteCoverage});
    if (result.robotsTxt)
        files.append({QStringLiteral("robots.csv"), WriteRobots});
    return files;
}

}  // namespace

QStringList OverviewCsvFileNames(const OverviewResult &result)
{
    QStringList names;
    for (const auto &file : CsvFiles(result))
        names.append(file.first);
    return names;
}

QString WriteOverviewCsv(const OverviewResult &result, const QString &folder)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder));
    const QDir dir(folder);
    for (const auto &[name, write] : CsvFiles(result)) {
        CsvFile csv(dir.filePath(name));
        write(result, csv);
        if (const QString problem = csv.finish(); !problem.isEmpty())
            return problem;
    }
    return {};
}
