#include "common/app_identity.h"
#include "shell/main_window.h"
#include "shell/single_instance.h"
#include "ui_common/qt_translations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);  // the hidden browser asks for it
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppIdentity::title());
    QApplication::setApplicationVersion(AppIdentity::versionText());
    QApplication::setOrganizationName(AppIdentity::title());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/trawlex.svg")));
    if (!InstallQtChineseTranslations())
        qWarning("Qt's Chinese translations (qtbase_zh_CN.qm) are missing: Qt's own texts stay English");

    // A second start ends at once and silently.
    const SingleInstanceGuard instance;
    if (!instance.isFirst())
        return 0;

    MDIForm1 frame;
    frame.show();
    return app.exec();
}
