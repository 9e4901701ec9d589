#pragma once

#include <QString>

class QWidget;

// Identifiers of the buttons of the standard message box.
enum MessageBoxButtonId { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// The standard message box with Chinese button captions and access keys
// ("确定[&O]", "取消[&C]" …). `style` takes the bits of the platform's message
// box: the button set (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/
// Cancel, 4 Yes/No, 5 Retry/Cancel), the icon (16 stop, 32 question, 48
// warning, 64 information) and the default button (0 first, 256 second, 512
// third). An empty caption means the application title. Returns the
// identifier of the button pressed.
int LocalizedMessageBox(const QString &text, QWidget *owner, int style, const QString &caption);
