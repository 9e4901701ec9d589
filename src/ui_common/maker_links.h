#pragma once

#include <QObject>
#include <QUrl>

class QLabel;
class QWidget;

// The maker's three links of a window: the banner `Image1` and the labels
// `Label3` and `Label4`. The mouse over a link highlights it (the banner
// gets a thin border, a label turns red); over `background` every highlight
// goes (the labels turn blue); a click opens the page in the web browser.
class MakerLinks : public QObject
{
    Q_OBJECT

public:
    MakerLinks(QWidget *background, QLabel *image, QLabel *freeSoftware, QLabel *customSoftware);

    static QUrl homePage();
    static QUrl freeSoftwarePage();
    static QUrl customSoftwarePage();

    // The three widgets, made with the names, texts and looks of the links.
    static QLabel *makeImage(QWidget *parent);
    static QLabel *makeLabel(QWidget *parent, const char *name, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void highlight(QLabel *link);
    void reset();
    static void open(const QUrl &page);

    QWidget *background_;
    QLabel *image_;
    QLabel *freeSoftware_;
    QLabel *customSoftware_;
};

// Colours of the link labels.
namespace LinkColour {
inline constexpr unsigned Design = 0x0000C0;     // RGB 0, 0, 192
inline constexpr unsigned Highlight = 0xFF0000;  // red
inline constexpr unsigned Reset = 0x0000FF;      // RGB 0, 0, 255
}
