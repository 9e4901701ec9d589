#include "ui_common/qt_translations.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The folder dialog's file types, which Qt's Chinese catalogue lacks.
class FileTypeWords : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *source, const char *, int) const override
    {
        static const QHash<QByteArray, QString> words = {
            {"Folder", QStringLiteral("文件夹")},      {"File Folder", QStringLiteral("文件夹")},
            {"File", QStringLiteral("文件")},          {"%1 File", QStringLiteral("%1 文件")},
            {"Drive", QStringLiteral("驱动器")}};
        return qstrcmp(context, "QAbstractFileIconProvider") == 0 ? words.value(source) : QString();
    }
};

}  // namespace

bool InstallQtChineseTranslations()
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QCoreApplication::installTranslator(new FileTypeWords(QCoreApplication::instance()));
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
