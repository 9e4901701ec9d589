#include "logs/log_input.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

const QString kMissingLinkTarget = QStringLiteral("链接目标不存在");

// Compares the digit runs starting at a[i] and b[j] as numbers and moves
// past them; 0 when equal in value.
int compareNumbers(QStringView a, qsizetype &i, QStringView b, qsizetype &j)
{
    auto skipZeros = [](QStringView s, qsizetype &k) {
        while (k < s.size() && s[k] == u'0')
            ++k;
    };
    skipZeros(a, i);
    skipZeros(b, j);
    const qsizetype aStart = i;
    const qsizetype bStart = j;
    while (i < a.size() && a[i].isDigit())
        ++i;
    while (j < b.size() && b[j].isDigit())
        ++j;
    if (i - aStart != j - bStart)
        return i - aStart < j - bStart ? -1 : 1;
    return a.sliced(aStart, i - aStart).compare(b.sliced(bStart, j - bStart));
}

int naturalCompare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            if (const int order = compareNumbers(a, i, b, j); order != 0)
                return order;
            continue;
        }
        const char32_t x = QChar::toCaseFolded(a[i].unicode());
        const char32_t y = QChar::toCaseFolded(b[j].unicode());
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    return (i < a.size()) - (j < b.size());
}

bool isReadableFolder(const QFileInfo &folder) { return folder.isReadable() && folder.isExecutable(); }

class FolderScan
{
public:
    FolderScan(bool recursive, LogInputScan &scan) : recursive_(recursive), scan_(scan) {}

    void scan(const QString &folder, const QString &relativeFolder)
    {
        QFileInfoList entries = QDir(folder).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
        std::sort(entries.begin(), entries.end(), [](const QFileInfo &a, const QFileInfo &b) {
            return NaturalNameLess(a.fileName(), b.fileName());
        });
        for (const QFileInfo &entry : entries) {
            const QString relative = relativeFolder + entry.fileName();
            if (entry.isSymLink() && !entry.exists()) {
                if (IsLogFileName(entry.fileName()))
                    scan_.inputs.append({entry.filePath(), relative, kMissingLinkTarget});
            } else if (entry.isDir()) {
                if (recursive_)
                    enter(entry, relative);
            } else if (entry.isFile() && IsLogFileName(entry.fileName())) {
                scan_.inputs.append({entry.filePath(), relative, {}});
            }
        }
    }

    // A folder is read once, however many links lead to it. `relative` is
    // its path below the folder given, empty for that folder itself.
    void enter(const QFileInfo &folder, const QString &relative)
    {
        const QString shownAs = relative.isEmpty() ? folder.filePath() : relative;
        if (!isReadableFolder(folder)) {
            scan_.problems.append(shownAs + QStringLiteral(" - 无法读取：没有读取权限"));
            return;
        }
        const QString canonical = folder.canonicalFilePath();
        if (visited_.contains(canonical)) {
            scan_.problems.append(shownAs + QStringLiteral(" - 已跳过：文件夹已读过（链接循环）"));
            return;
        }
        visited_.insert(canonical);
        enteredAny_ = true;
        scan(folder.filePath(), relative.isEmpty() ? QString() : relative + u'/');
    }

    bool enteredAny() const { return enteredAny_; }

private:
    bool enteredAny_ = false;
    bool recursive_;
    LogInputScan &scan_;
    QSet<QString> visited_;
};

}  // namespace

QString NoLogFilesText(bool recursive)
{
    return recursive ? QStringLiteral("没有找到日志文件")
                     : QStringLiteral("没有找到日志文件；IIS 的日志在 W3SVC 子目录中，请勾选“包含子目录”（命令行 --recursive）");
}

bool NaturalNameLess(QStringView a, QStringView b)
{
    const int order = naturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;
}

bool IsLogFileName(QStringView name)
{
    static const QRegularExpression rule(
        QStringLiteral(R"(^(?:.*\.log|.+\.log\.\d+|.+\.log-\d{8}(?:\d{2})?|.+_log(?:\.\d+)?)(?:\.gz|\.zst|\.bz2|\.xz)?$)"),
        QRegularExpression::CaseInsensitiveOption);
    return rule.match(name.toString()).hasMatch();
}

LogInputScan CollectLogInputs(const QStringList &paths, bool recursive)
{
    LogInputScan scan;
    FolderScan folders(recursive, scan);
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (path == QLatin1String("-")) {
            scan.inputs.append({path, path, {}});
        } else if (info.isSymLink() && !info.exists()) {
            scan.inputs.append({path, path, kMissingLinkTarget});
        } else if (!info.exists()) {
            scan.problems.append(path + QStringLiteral(" - 无法读取：文件不存在"));
        } else if (info.isDir()) {
            folders.enter(info, QString());
        } else {
            scan.inputs.append({path, path, {}});
        }
    }
    if (scan.inputs.isEmpty() && folders.enteredAny())
        scan.problems.append(NoLogFilesText(recursive));
    return scan;
}
