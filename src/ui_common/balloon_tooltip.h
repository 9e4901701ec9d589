#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <QWidget>

class BalloonWindow;

// One balloon tooltip attached to one control: a title after its icon, a
// multi-line text ("|" breaks a line), two colours and two delays. The
// balloon shows by itself when the mouse rests over the control.
//
// Colours are &H00BBGGRR values; a negative value (&H80000000 plus an index)
// names a system colour, taken from the palette.
class cToolTip : public QObject
{
    Q_OBJECT

public:
    // Style bits.
    static constexpr int TTS_ALWAYSTIP = 0x01;  // shown while the window is inactive too
    static constexpr int TTS_BALLOON = 0x40;
    static constexpr int TTS_CLOSE = 0x80;

    cToolTip();
    ~cToolTip() override;

    // Replaces any tooltip of this object. Returns a non-zero handle of the
    // balloon window, or 0 (and no tooltip) when the style, once the close
    // bit is set aside, is not 0, 1, 64 or 65, or the icon is not 0…3.
    quintptr Create(QWidget *Parent, const QString &Text, int Style, bool Centered, int Icon, const QString &Title,
                    qint32 ForeColor, qint32 BackColor, int HoverTime, int PopupTime);
    // Size clamped to 8…36 points; 0 before any Create, else a font handle.
    int SubstituteFont(const QString &FontName, int FontSize, bool Bold, bool Italic);

    qint32 BackCol() const { return backColour_; }
    bool Centered() const { return centered_; }
    bool FontBold() const { return fontBold_; }
    bool FontItalic() const { return fontItalic_; }
    QString FontName() const { return fontName_; }
    int FontSize() const { return fontSize_; }
    qint32 ForeCol() const { return foreColour_; }
    int HoverTime() const { return hoverTime_; }
    int Icon() const { return icon_; }
    QString InitialText() const { return initialText_; }
    QString InitialTitle() const { return initialTitle_; }
    int PopupTime() const { return popupTime_; }
    int Style() const { return style_ < 0 ? -1 : (closeBit_ | style_); }
    QString Text() const { return text_; }
    QString Title() const { return title_; }

    // The balloon window while it exists (for tests and screenshots).
    QWidget *balloon() const;
    // Shows the balloon at once, as the hover delay would.
    void showNow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void destroyTip();
    void startHover();

    QPointer<QWidget> parent_;
    QPointer<BalloonWindow> window_;  // a child of the parent, which may go first
    QTimer hover_;
    QTimer popup_;
    int style_ = -1;
    int closeBit_ = 0;
    int icon_ = 0;
    bool centered_ = false;
    qint32 foreColour_ = 0;
    qint32 backColour_ = 0;
    QString title_;
    QString text_;
    QString initialTitle_;
    QString initialText_;
    int hoverTime_ = 0;
    int popupTime_ = 0;
    QString fontName_;
    int fontSize_ = 0;
    bool fontBold_ = false;
    bool fontItalic_ = false;
    int fontHandles_ = 0;
};

// &H00BBGGRR to a colour, system colours through the palette, and back.
QColor ColourFromBgr(qint32 value);
qint32 BgrFromColour(const QColor &colour);
