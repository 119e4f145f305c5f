// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Pressable.h"
#include "ui/Twips.h"

#include <QColor>
#include <QLabel>
#include <QWidget>

class QAbstractButton;
class QPainter;

// The drawn chrome every Quillane window shares: filled rectangles, lines,
// transparent labels that react to the mouse, and the fonts and colours.
namespace quillane {

inline const QColor TitleBandColor(128, 128, 255);
inline const QColor TitleBandDragColor(192, 192, 255);
inline const QColor GlyphGrey(224, 224, 224);

// Arial bold (or normal weight) at a point size given to the hundredth.
QFont arialFont(qreal pointSize, bool bold = true, bool italic = false);

// An opaque filled rectangle with an optional one-pixel outline.
class FilledRect : public QWidget {
    Q_OBJECT
public:
    FilledRect(QWidget *parent, const QColor &fill, const QColor &outline = QColor());

    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor &fill);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor fill_;
    QColor outline_;
};

// A one-pixel horizontal or vertical line in the default line colour.
class LineWidget : public QWidget {
    Q_OBJECT
public:
    explicit LineWidget(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A transparent label that reports presses, clicks and the pointer passing.
class ClickLabel : public QLabel, public Pressable {
    Q_OBJECT
public:
    using QLabel::QLabel;

    QColor textColor() const;
    void setTextColor(const QColor &colour);

    // Makes the label a control of its own: Tab reaches it, Space or Enter
    // clicks it, and a screen reader sees it in role.
    void setPressable(QAccessible::Role role = QAccessible::PushButton);
    QAccessible::Role pressRole() const override { return pressRole_; }
    void press() override { emit clicked(); }

    // Places one line of text so that its letters, not its line, are centred
    // top to bottom: a title's descent then stays clear of its band's edge.
    void centreLetters() { centreLetters_ = true; }

signals:
    void pressed(Qt::MouseButton button, QPoint globalPos);
    // A press and a release of the left button inside the label.
    void clicked();
    void pointerMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool leftDown_ = false;
    bool centreLetters_ = false;
    QAccessible::Role pressRole_ = QAccessible::NoRole;
};

// Builders that place a control at a twip rectangle with its name and font.
ClickLabel *addLabel(QWidget *parent, const char *name, TwipRect twipRect, const QString &caption,
                     qreal pointSize, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);
// The title text "Label6" on a window's band, in 11.25 pt, its letters
// centred in the band at every scale.
ClickLabel *addTitle(QWidget *parent, TwipRect twipRect, const QString &title);
FilledRect *addShape(QWidget *parent, const char *name, TwipRect twipRect, const QColor &fill,
                     const QColor &outline = QColor());
// A line between two twip points; only horizontal and vertical lines occur.
LineWidget *addLine(QWidget *parent, const char *name, QPoint from, QPoint to);
// Lines and frames one logical pixel thick are drawn in whole device pixels,
// equally thick on every side and meeting what they surround at any scale:
// the thickness, a widget's area in device pixels, and a frame of that
// thickness just inside outer, for a painter working in device pixels.
int linePixels(qreal ratio);
QRect devicePixelRect(const QWidget *widget);
void fillFrame(QPainter &painter, const QRect &outer, int thickness, const QColor &colour);

// Background colour for a control that fills its own background.
void setBackground(QWidget *widget, const QColor &colour);

// The program's own light colours: black text on white and light grey, with
// the body colour of a dialog as its window colour. The windows draw black
// captions on their own white, so a dark desktop theme must not reach them.
const QPalette &ownPalette();
// Gives a window the program's own colours; its controls inherit them.
void useOwnColours(QWidget *window);

// A picture from the resources, sharp on the densest screen: an SVG drawn at
// logicalSize times the pixel ratio, a bitmap from its "@2x" twin where the
// ratio is above 1 and the twin exists.
QPixmap sharpPixmap(const QString &resource, QSize logicalSize = QSize());

// A check box or option button with its caption in 9 pt Arial bold; the
// tooltip and background only when given.
template <typename Button>
Button *addToggle(QWidget *parent, const char *name, TwipRect r, const QString &caption,
                  const QString &tooltip = QString(), const QColor &background = QColor())
{
    auto *button = new Button(caption, parent);
    button->setObjectName(name);
    button->setGeometry(twips::rect(r));
    button->setFont(arialFont(9));
    if (!tooltip.isEmpty())
        button->setToolTip(tooltip);
    // A style sheet stops the window's colours from reaching the button.
    button->setPalette(ownPalette());
    if (background.isValid())
        setBackground(button, background);
    // The captions must fit their boxes beside the indicators, "Front" in 49 pixels.
    button->setStyleSheet(QStringLiteral("spacing: 3px"));
    return button;
}

// Gives the keyboard back to window once a window above it has closed: a
// window manager does that, and without one the keyboard would reach nothing.
void takeKeyboardBack(QWidget *window);

// Places the window centred over the owner (or over the owner's screen when
// owner is null), whole within the screen's available area.
void centreOver(QWidget *window, const QWidget *owner);

} // namespace quillane
