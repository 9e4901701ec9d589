#include "indexing/net/form_search.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLibrary>
#include <QtDebug>

std::unique_ptr<FormSearcher> LoadBrowserFormSearcher(int waitMs)
{
    // The browser engine needs a GUI application made with shared OpenGL
    // contexts; without them it would crash.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        || !QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts)) {
        qWarning("蛛迹通: no browser without a GUI application sharing OpenGL contexts; the search-form queries fail");
        return nullptr;
    }
    // Built into lib/trawlex beside bin/, and installed the same way.
    QLibrary module(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../lib/trawlex/trawlex_browser")));
    const auto create = reinterpret_cast<CreateFormSearcherFunction>(module.resolve(kCreateFormSearcher));
    if (!create) {
        qWarning("蛛迹通: the browser module cannot be loaded (%s); the search-form queries fail",
                 qPrintable(module.errorString()));
        return nullptr;
    }
    return std::unique_ptr<FormSearcher>(create(waitMs));
}
