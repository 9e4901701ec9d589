// The entry points of the browser module, looked up by LoadBrowserFormSearcher()
// and MakeBrowserApplication().
#include "indexing/browser/browser_form_driver.h"

#include <QGuiApplication>

extern "C" Q_DECL_EXPORT FormSearcher *trawlex_create_form_searcher(int waitMs)
{
    return new BrowserFormDriver(waitMs);
}

extern "C" Q_DECL_EXPORT QCoreApplication *trawlex_make_application(int &argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);  // the browser engine asks for it
    return new QGuiApplication(argc, argv);
}
