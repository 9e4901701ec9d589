#include "ui_common/balloon_tooltip.h"

#include <QApplication>

#include <algorithm>
#include <QCursor>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <QWidget>

// The balloon: a rounded box with a pointer towards the mouse, the icon and
// the bold title on the first line, the text below.
class BalloonWindow : public QWidget
{
public:
    BalloonWindow(QWidget *owner, bool balloon)
        : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), balloon_(balloon)
    {
        setObjectName(QStringLiteral("cToolTip"));
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

    void setContents(const QString &title, const QIcon &icon, const QString &text, const QColor &fore,
                     const QColor &back, const QFont &font)
    {
        title_ = title;
        icon_ = icon;
        text_ = text;
        fore_ = fore;
        back_ = back;
        setFont(font);
        relayout();
    }

    void setFontOnly(const QFont &font)
    {
        setFont(font);
        relayout();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(fore_.darker(150), 1));
        painter.setBrush(back_);
        painter.drawPath(outline().translated(0.5, 0.5));
        const int top = pointerHeight() + kPadding;
        int x = kPadding;
        if (!icon_.isNull()) {
            icon_.paint(&painter, QRect(x, top, kIcon, kIcon));
            x += kIcon + 6;
        }
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.setPen(fore_);
        painter.drawText(QRect(x, top, width() - x - kPadding, titleHeight()), Qt::AlignVCenter, title_);
        painter.setFont(font());
        painter.drawText(textRect(), Qt::TextWordWrap, text_);
    }

private:
    static constexpr int kPadding = 8;
    static constexpr int kIcon = 16;

    int pointerHeight() const { return balloon_ ? 12 : 0; }
    int titleHeight() const
    {
        QFont bold = font();
        bold.setBold(true);
        return title_.isEmpty() && icon_.isNull() ? 0 : std::max(kIcon, QFontMetrics(bold).height());
    }
    int maxTextWidth() const
    {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return std::max(120, (screen ? screen->geometry().width() : 1024) / 3 - 2 * kPadding);
    }
    QRect textRect() const
    {
        const int top = pointerHeight() + kPadding + titleHeight() + (titleHeight() > 0 ? 4 : 0);
        return QRect(kPadding, top, width() - 2 * kPadding, height() - top - kPadding);
    }

    void relayout()
    {
        const QRect text = QFontMetrics(font()).boundingRect(QRect(0, 0, maxTextWidth(), 10000), Qt::TextWordWrap,
                                                             text_);
        QFont bold = font();
        bold.setBold(true);
        const int titleWidth = (icon_.isNull() ? 0 : kIcon + 6) + QFontMetrics(bold).horizontalAdvance(title_);
        const int width = std::max(text.width(), titleWidth) + 2 * kPadding;
        const int height = pointerHeight() + 2 * kPadding + titleHeight() + (titleHeight() > 0 ? 4 : 0)
            + text.height();
        resize(width + 1, height + 1);
        // Without a compositor only a mask gives the window its shape.
        setMask(QRegion(outline().toFillPolygon().toPolygon()));
        update();
    }

    QPainterPath outline() const
    {
        QPainterPath path;
        const QRectF body(0, pointerHeight(), width() - 1, height() - 1 - pointerHeight());
        path.addRoundedRect(body, balloon_ ? 8 : 2, balloon_ ? 8 : 2);
        if (balloon_) {
            QPainterPath pointer;
            pointer.moveTo(16, pointerHeight() + 1);
            pointer.lineTo(20, 0);
            pointer.lineTo(32, pointerHeight() + 1);
            pointer.closeSubpath();
            path = path.united(pointer);
        }
        return path;
    }

    bool balloon_;
    QString title_;
    QIcon icon_;
    QString text_;
    QColor fore_;
    QColor back_;
};

namespace {

QPalette::ColorRole roleOfSystemColour(int index)
{
    switch (index) {
    case 1: case 3: case 4: case 15: return QPalette::Window;       // desktop, caption, menu, button face
    case 5: return QPalette::Base;                                  // window background
    case 6: case 16: return QPalette::Mid;                          // frame, button shadow
    case 7: case 8: case 9: return QPalette::WindowText;            // menu, window and caption text
    case 12: return QPalette::Dark;                                 // application workspace
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 17: return QPalette::PlaceholderText;                      // grey text
    case 18: return QPalette::ButtonText;
    case 20: return QPalette::Light;                                // button highlight
    case 21: return QPalette::Shadow;
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    default: return QPalette::Window;
    }
}

QIcon iconOf(int icon)
{
    switch (icon) {
    case 1: return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
    case 2: return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    case 3: return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    default: return {};
    }
}

}  // namespace

QColor ColourFromBgr(qint32 value)
{
    if (value < 0)
        return QApplication::palette().color(roleOfSystemColour(value & 0x7FFFFFFF));
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

qint32 BgrFromColour(const QColor &colour)
{
    return qint32(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
}

cToolTip::cToolTip()
{
    hover_.setSingleShot(true);
    popup_.setSingleShot(true);
    connect(&hover_, &QTimer::timeout, this, &cToolTip::showNow);
    connect(&popup_, &QTimer::timeout, this, [this] {
        if (window_)
            window_->hide();
    });
}

cToolTip::~cToolTip() { destroyTip(); }

void cToolTip::destroyTip()
{
    hover_.stop();
    popup_.stop();
    if (parent_)
        parent_->removeEventFilter(this);
    delete window_;
    window_ = nullptr;
    style_ = -1;
}

quintptr cToolTip::Create(QWidget *Parent, const QString &Text, int Style, bool Centered, int Icon,
                          const QString &Title, qint32 ForeColor, qint32 BackColor, int HoverTime, int PopupTime)
{
    destroyTip();
    closeBit_ = Style & TTS_CLOSE;
    Style &= ~TTS_CLOSE;
    if (!Parent || !(Style == 0 || Style == 1 || Style == 64 || Style == 65) || Icon < 0 || Icon > 3)
        return 0;

    centered_ = Centered;
    title_ = Title;
    if (initialTitle_.isEmpty())
        initialTitle_ = title_;
    text_ = QString(Text).replace(u'|', QStringLiteral("\r\n"));
    if (initialText_.isEmpty())
        initialText_ = text_;
    QColor fore = ColourFromBgr(ForeColor);
    QColor back = ColourFromBgr(BackColor);
    if (fore == back) {
        fore = QApplication::palette().color(QPalette::ButtonText);
        back = QApplication::palette().color(QPalette::ToolTipBase);
    }
    foreColour_ = BgrFromColour(fore);
    backColour_ = BgrFromColour(back);
    style_ = Style;
    icon_ = Icon;
    hoverTime_ = HoverTime >= 0 && HoverTime < 50 ? 50 : HoverTime;
    popupTime_ = PopupTime;

    parent_ = Parent;
    window_ = new BalloonWindow(Parent, (style_ & TTS_BALLOON) != 0);
    window_->setContents(title_, iconOf(icon_), QString(text_).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                         fore, back, QApplication::font());
    Parent->installEventFilter(this);
    Parent->setMouseTracking(true);
    SubstituteFont(QStringLiteral("Tahoma"), 9, false, false);
    if (Parent->underMouse())  // made by the mouse's first move over the control
        startHover();
    return quintptr(window_.data());
}

int cToolTip::SubstituteFont(const QString &FontName, int FontSize, bool Bold, bool Italic)
{
    if (!window_)
        return 0;
    fontName_ = FontName.trimmed();
    fontSize_ = std::clamp(FontSize, 8, 36);
    fontBold_ = Bold;
    fontItalic_ = Italic;
    QFont font(fontName_, fontSize_, Bold ? QFont::Bold : QFont::Normal, Italic);
    window_->setFontOnly(font);
    return ++fontHandles_;
}

void cToolTip::startHover()
{
    hover_.start(hoverTime_ >= 0 ? hoverTime_ : QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay));
}

QWidget *cToolTip::balloon() const { return window_.data(); }

void cToolTip::showNow()
{
    if (!window_ || !parent_)
        return;
    if (!(style_ & TTS_ALWAYSTIP) && !parent_->window()->isActiveWindow())
        return;
    const QRect area(parent_->mapToGlobal(QPoint(0, 0)), parent_->size());
    QPoint at = area.contains(QCursor::pos()) ? QCursor::pos() + QPoint(-20, 18) : area.bottomLeft();
    if (centered_)
        at = QPoint(area.center().x() - window_->width() / 2, area.bottom() + 2);
    window_->move(at);
    window_->show();
    window_->raise();
    if (popupTime_ != 0)
        popup_.start(popupTime_ > 0 ? popupTime_ : 10 * QApplication::doubleClickInterval());
}

bool cToolTip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent_) {
        switch (event->type()) {
        case QEvent::Enter:
            startHover();
            break;
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::Hide:
            hover_.stop();
            popup_.stop();
            if (window_)
                window_->hide();
            break;
        case QEvent::ToolTip:
            return true;  // only the balloon shows over the control
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
