#include "indexing/net/form_search.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QtDebug>

namespace {

// The modules are built into lib/trawlex beside bin/, and installed the same
// way. Asked for before the application exists, so the program's folder comes
// from the system.
QString ModulePath(const QString &name)
{
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(program).dir().filePath(QStringLiteral("../lib/trawlex/") + name);
}

}  // namespace

std::unique_ptr<FormSearcher> LoadBrowserFormSearcher(int waitMs)
{
    // Looked for first: without the module the command line's application
    // is a plain one, and the module is the reason to give.
    QLibrary module(ModulePath(QStringLiteral("trawlex_browser")));
    const auto create = reinterpret_cast<CreateFormSearcherFunction>(module.resolve(kCreateFormSearcher));
    if (!create) {
        qWarning("蛛迹通: the browser module cannot be loaded (%s); the search-form queries fail",
                 qPrintable(module.errorString()));
        return nullptr;
    }
    // The browser engine needs a GUI application made with shared OpenGL
    // contexts; without them it would crash.
    if (!QCoreApplication::instance()->inherits("QGuiApplication")
        || !QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts)) {
        qWarning("蛛迹通: no browser without a GUI application sharing OpenGL contexts; the search-form queries fail");
        return nullptr;
    }
    return std::unique_ptr<FormSearcher>(create(waitMs));
}

std::unique_ptr<QCoreApplication> MakeBrowserApplication(int &argc, char **argv)
{
    QLibrary module(ModulePath(QStringLiteral("trawlex_gui_application")));
    if (const auto make = reinterpret_cast<MakeApplicationFunction>(module.resolve(kMakeApplication)))
        return std::unique_ptr<QCoreApplication>(make(argc, argv));
    return std::make_unique<QCoreApplication>(argc, argv);
}
