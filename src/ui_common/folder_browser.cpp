#include "ui_common/folder_browser.h"

#include <QDir>
#include <QFileDialog>

QString ChooseFolder(QWidget *owner, const QString &prompt, const QString &start)
{
    const QString folder = QFileDialog::getExistingDirectory(owner, prompt, start, QFileDialog::ShowDirsOnly);
    return folder.isEmpty() ? QString() : QDir::toNativeSeparators(folder);
}
