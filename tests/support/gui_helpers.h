#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QUrl>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

// A control of a window by its name; the test stops when there is none.
template <typename T>
T *control(QWidget *window, const char *name)
{
    T *widget = window->findChild<T *>(QString::fromUtf8(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

// Acts on the next modal window (a message box, a dialog) once it is shown:
// the test's own event loop keeps turning while the window's exec() runs.
inline void WhenModalShows(std::function<void(QWidget *modal)> act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start();
}

// Text and button captions of a message box.
inline QStringList ButtonCaptions(QMessageBox *box)
{
    QStringList captions;
    for (QAbstractButton *button : box->buttons())
        captions.append(button->text());
    captions.sort();
    return captions;
}

// A mouse movement over a widget, as the window system delivers it.
inline void MoveMouseOver(QWidget *widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// With TRAWLEX_SCREENSHOTS set to a folder, saves the window there as
// NAME.png (for the README); otherwise does nothing.
void SaveScreenshot(QWidget *window, const char *name);

// Records the addresses the program hands to the web browser.
class BrowserSpy : public QObject
{
    Q_OBJECT

public:
    BrowserSpy();
    ~BrowserSpy() override;
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};
