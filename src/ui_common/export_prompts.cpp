#include "ui_common/export_prompts.h"

#include "ui_common/localized_message_box.h"

#include <QDir>
#include <QFileInfo>

bool ConfirmReplace(QWidget *owner, const QString &folder, const QStringList &names)
{
    QStringList present;
    for (const QString &name : names)
        if (QFileInfo::exists(QDir(folder).filePath(name)))
            present.append(name);
    if (present.isEmpty())
        return true;
    const QString text = QStringLiteral("%1 中已有 %2，要替换吗？")
                             .arg(QDir::toNativeSeparators(folder), present.join(QStringLiteral("、")));
    return LocalizedMessageBox(text, owner, 4 + 48 + 256, QString()) == IDYES;  // Yes/No, warning, No first
}

void TellExportDone(QWidget *owner, const QString &folder, const QStringList &names, const QString &problem)
{
    if (!problem.isEmpty()) {
        LocalizedMessageBox(problem, owner, 16, QString());
        return;
    }
    LocalizedMessageBox(QStringLiteral("已保存 %1 到 %2").arg(names.join(QStringLiteral("、")), QDir::toNativeSeparators(folder)),
                        owner, 64, QString());
}
