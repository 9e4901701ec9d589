#pragma once

#include <QString>

// Who the program is: its title, maker and version, in one place.
namespace AppIdentity {

int majorVersion();
int minorVersion();
int revision();

QString title();          // "蛛迹通": message-box caption, settings application name
QString company();        // "澜岫软件"
QString internalName();   // "Trawlex"
QString versionText();    // "1.6.1025", as --version prints it
QString resourceVersionText();  // "1.06.1025", the file and product version text
QString frameCaption();   // "蛛迹通 V1.6.1025 -澜岫软件"
QString licence();        // "GPL-3.0-or-later", the LICENSE file's terms

}  // namespace AppIdentity
