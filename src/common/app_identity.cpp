#include "common/app_identity.h"

#include "app_version.h"

namespace AppIdentity {

int majorVersion() { return TRAWLEX_VERSION_MAJOR; }
int minorVersion() { return TRAWLEX_VERSION_MINOR; }
int revision() { return TRAWLEX_VERSION_REVISION; }

QString title() { return QStringLiteral("蛛迹通"); }
QString company() { return QStringLiteral("澜岫软件"); }
QString internalName() { return QStringLiteral("Trawlex"); }

QString versionText()
{
    return QString::number(majorVersion()) + u'.' + QString::number(minorVersion()) + u'.'
        + QString::number(revision());
}

QString resourceVersionText()
{
    return QString::number(majorVersion()) + u'.'
        + QStringLiteral("%1").arg(minorVersion(), 2, 10, QLatin1Char('0')) + u'.'
        + QString::number(revision());
}

QString frameCaption()
{
    return title() + QStringLiteral(" V") + versionText() + QStringLiteral(" -") + company();
}

QString licence() { return QStringLiteral("GPL-3.0-or-later"); }

}  // namespace AppIdentity
