#include "ui_common/maker_links.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

void setTextColour(QLabel *label, unsigned rgb)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(rgb));
    label->setPalette(palette);
}

// The banner, drawn rather than shipped: 360 × 90 pixels.
QPixmap bannerPixmap()
{
    QPixmap pixmap(360, 90);
    QPainter painter(&pixmap);
    QLinearGradient sky(0, 0, 360, 90);
    sky.setColorAt(0, QColor(18, 60, 140));
    sky.setColorAt(1, QColor(70, 150, 210));
    painter.fillRect(pixmap.rect(), sky);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 70), 2));
    for (int i = 0; i < 4; ++i)  // hills, the 岫 of the name
        painter.drawArc(QRect(-40 + i * 90, 52 - i * 6, 220, 90), 0, 180 * 16);
    painter.setPen(Qt::white);
    QFont title(QStringLiteral("WenQuanYi Micro Hei"), 24, QFont::Bold);
    painter.setFont(title);
    painter.drawText(QRect(18, 8, 330, 46), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("澜岫软件"));
    QFont motto(QStringLiteral("WenQuanYi Micro Hei"), 10);
    painter.setFont(motto);
    painter.drawText(QRect(20, 54, 330, 26), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("免费软件 · 专业定制 · lanxiu.example.com"));
    return pixmap;
}

}  // namespace

QUrl MakerLinks::homePage() { return QUrl(QStringLiteral("http://lanxiu.example.com/")); }
QUrl MakerLinks::freeSoftwarePage() { return QUrl(QStringLiteral("http://lanxiu.example.com/free-software.html")); }
QUrl MakerLinks::customSoftwarePage() { return QUrl(QStringLiteral("http://lanxiu.example.com/custom-software.html")); }

QLabel *MakerLinks::makeImage(QWidget *parent)
{
    auto *image = new QLabel(parent);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(bannerPixmap());
    image->setFixedSize(362, 92);  // room for the thin border
    image->setAlignment(Qt::AlignCenter);
    image->setToolTip(QStringLiteral("点击访问澜岫软件网站..."));
    return image;
}

QLabel *MakerLinks::makeLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("SimSun"), 9);  // 宋体 where it exists
    font.setUnderline(true);
    label->setFont(font);
    setTextColour(label, LinkColour::Design);
    label->setToolTip(QStringLiteral("点击打开详细内容..."));
    return label;
}

MakerLinks::MakerLinks(QWidget *background, QLabel *image, QLabel *freeSoftware, QLabel *customSoftware)
    : QObject(background), background_(background), image_(image), freeSoftware_(freeSoftware),
      customSoftware_(customSoftware)
{
    for (QWidget *widget : {static_cast<QWidget *>(image_), static_cast<QWidget *>(freeSoftware_),
                            static_cast<QWidget *>(customSoftware_), background_}) {
        widget->setMouseTracking(true);
        widget->installEventFilter(this);
    }
    for (QLabel *link : {image_, freeSoftware_, customSoftware_})
        link->setCursor(Qt::PointingHandCursor);
}

bool MakerLinks::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == background_) {
            reset();
        } else if (auto *link = qobject_cast<QLabel *>(watched)) {
            highlight(link);
            return true;  // a move over a link is no move over the background
        }
    } else if (event->type() == QEvent::MouseButtonRelease
               && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == image_)
            open(homePage());
        else if (watched == freeSoftware_)
            open(freeSoftwarePage());
        else if (watched == customSoftware_)
            open(customSoftwarePage());
    }
    return QObject::eventFilter(watched, event);
}

void MakerLinks::highlight(QLabel *link)
{
    if (link == image_)
        image_->setFrameStyle(QFrame::Box | QFrame::Plain);
    else
        setTextColour(link, LinkColour::Highlight);
}

void MakerLinks::reset()
{
    image_->setFrameStyle(QFrame::NoFrame);
    setTextColour(freeSoftware_, LinkColour::Reset);
    setTextColour(customSoftware_, LinkColour::Reset);
}

void MakerLinks::open(const QUrl &page)
{
    // Only web addresses are ever handed to the browser.
    if (page.scheme() == QLatin1String("http") || page.scheme() == QLatin1String("https"))
        QDesktopServices::openUrl(page);
}
