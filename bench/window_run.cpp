// trawlex-window-run: one crawl run in the crawl-log window, as a user would
// make it (folder given, file list shown, 分析【百度】 pressed), for the
// benchmark to time against the command line. Prints the wall and the CPU
// seconds from the click to the end of the run. Run it with
// QT_QPA_PLATFORM=offscreen.
//
//   trawlex-window-run FOLDER
#include "crawl_log/ui/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: trawlex-window-run FOLDER\n");
        return 2;
    }
    // The window saves its folder on close: keep the user's own setting.
    QStandardPaths::setTestModeEnabled(true);
    Form1 window;
    window.show();
    window.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QString::fromLocal8Bit(argv[1]));
    // The user sees the file list before pressing the button.
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();

    QElapsedTimer wall;
    wall.start();
    const double cpuAtStart = processCpuSeconds();
    window.findChild<QPushButton *>(QStringLiteral("Command2"))->click();  // returns when the run is over
    std::printf("%.3f %.3f\n", double(wall.nsecsElapsed()) / 1e9, processCpuSeconds() - cpuAtStart);
    return 0;
}
