// The entry point of the GUI-application module, looked up by MakeBrowserApplication().
#include <QGuiApplication>

extern "C" Q_DECL_EXPORT QCoreApplication *trawlex_make_application(int &argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);  // the browser engine asks for it
    return new QGuiApplication(argc, argv);
}
