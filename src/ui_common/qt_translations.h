#pragma once

// Qt's own texts (message-box buttons, the folder dialog, the text boxes'
// context menus) in Simplified Chinese, whatever the system's locale: the
// whole program speaks Chinese. The default locale becomes zh_CN too, so that
// the dialogs' dates and sizes read as Chinese; the program's reports set
// their own formats. False when Qt's translations are not installed (Debian:
// qt6-translations-l10n); Qt's English texts then stay.
bool InstallQtChineseTranslations();
