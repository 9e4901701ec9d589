#include "support/gui_helpers.h"

#include <QDesktopServices>
#include <QDir>
#include <QPixmap>

void SaveScreenshot(QWidget *window, const char *name)
{
    const QString folder = qEnvironmentVariable("TRAWLEX_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    window->show();
    QTest::qWait(200);
    window->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

BrowserSpy::BrowserSpy()
{
    for (const char *scheme : {"http", "https", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
}

BrowserSpy::~BrowserSpy()
{
    for (const char *scheme : {"http", "https", "file"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}
