#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Before an export writes `names` into `folder`: when some of them are there
// already, asks whether to replace them. True to go on.
bool ConfirmReplace(QWidget *owner, const QString &folder, const QStringList &names);

// After an export: where the files went, or why they did not. `problem`
// empty means saved.
void TellExportDone(QWidget *owner, const QString &folder, const QStringList &names, const QString &problem);
