#pragma once

// Qt's own texts (message-box buttons, the folder dialog, the text boxes'
// context menus) in Simplified Chinese, whatever the system's locale: the
// whole program speaks Chinese. False when Qt's translations are not
// installed (Debian: qt6-translations-l10n); Qt's English texts then stay.
bool InstallQtChineseTranslations();
