#include "ui_common/localized_message_box.h"

#include "common/app_identity.h"

#include <QList>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace {

QString captionOf(int id)
{
    switch (id) {
    case IDOK: return QStringLiteral("确定[&O]");
    case IDCANCEL: return QStringLiteral("取消[&C]");
    case IDYES: return QStringLiteral("是[&Y]");
    case IDNO: return QStringLiteral("否[&N]");
    case IDABORT: return QStringLiteral("放弃[&A]");
    case IDIGNORE: return QStringLiteral("忽略[&I]");
    case IDRETRY: return QStringLiteral("重试[&R]");
    }
    return {};
}

QList<int> buttonSet(int style)
{
    switch (style & 0xF) {
    case 1: return {IDOK, IDCANCEL};
    case 2: return {IDABORT, IDRETRY, IDIGNORE};
    case 3: return {IDYES, IDNO, IDCANCEL};
    case 4: return {IDYES, IDNO};
    case 5: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

QMessageBox::Icon iconOf(int style)
{
    switch (style & 0xF0) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox::ButtonRole roleOf(int id)
{
    switch (id) {
    case IDOK: return QMessageBox::AcceptRole;
    case IDYES: return QMessageBox::YesRole;
    case IDNO: return QMessageBox::NoRole;
    case IDCANCEL: return QMessageBox::RejectRole;
    default: return QMessageBox::ActionRole;
    }
}

}  // namespace

int LocalizedMessageBox(const QString &text, QWidget *owner, int style, const QString &caption)
{
    QMessageBox box(iconOf(style), caption.isEmpty() ? AppIdentity::title() : caption, text, QMessageBox::NoButton,
                    owner);
    const QList<int> ids = buttonSet(style);
    QList<std::pair<QAbstractButton *, int>> buttons;
    for (int id : ids)
        buttons.append({box.addButton(captionOf(id), roleOf(id)), id});
    const int defaultIndex = qBound(0, (style & 0xF00) >> 8, int(ids.size()) - 1);
    box.setDefaultButton(qobject_cast<QPushButton *>(buttons[defaultIndex].first));
    // Escape means Cancel, or OK when that is the only button.
    for (const auto &[button, id] : buttons)
        if (id == IDCANCEL || ids == QList<int>{IDOK})
            box.setEscapeButton(button);
    box.exec();
    for (const auto &[button, id] : buttons)
        if (box.clickedButton() == button)
            return id;
    return ids.contains(IDCANCEL) ? IDCANCEL : ids.front();
}
