#include "ui_common/folder_browser.h"

#include <QDir>
#include <QFileDialog>

QString ChooseFolder(QWidget *owner, const QString &prompt)
{
    const QString folder = QFileDialog::getExistingDirectory(owner, prompt, QString(), QFileDialog::ShowDirsOnly);
    return folder.isEmpty() ? QString() : QDir::toNativeSeparators(folder);
}
