#include "ui_common/folder_browser.h"

#include "common/text_rules.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>

namespace {

// The dialog's 修改日期 in Chinese form: Qt writes it in the system's locale.
class ChineseDates : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        constexpr int kModifiedColumn = 3;
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (files && index.column() == kModifiedColumn && role == Qt::DisplayRole)
            return ChineseDateTimeText(files->lastModified(mapToSource(index)));
        return QIdentityProxyModel::data(index, role);
    }
};

}  // namespace

QString ChooseFolder(QWidget *owner, const QString &prompt, const QString &start)
{
    QFileDialog dialog(owner, prompt, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setProxyModel(new ChineseDates(&dialog));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().front());
}
