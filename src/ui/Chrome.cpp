// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Chrome.h"

#include "ui/Twips.h"

#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace quillane {

QFont arialFont(qreal pointSize, bool bold, bool italic)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

FilledRect::FilledRect(QWidget *parent, const QColor &fill, const QColor &outline)
    : QWidget(parent), fill_(fill), outline_(outline)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FilledRect::setFillColor(const QColor &fill)
{
    if (fill_ == fill)
        return;
    fill_ = fill;
    update();
}

void FilledRect::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), fill_);
    if (outline_.isValid()) {
        const qreal ratio = devicePixelRatioF();
        painter.scale(1 / ratio, 1 / ratio);
        fillFrame(painter, devicePixelRect(this), linePixels(ratio), outline_);
    }
}

LineWidget::LineWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

QColor ClickLabel::textColor() const
{
    return palette().color(QPalette::WindowText);
}

void ClickLabel::setTextColor(const QColor &colour)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Disabled, QPalette::WindowText, colour.lighter(160));
    setPalette(p);
}

void ClickLabel::setPressable(QAccessible::Role role)
{
    pressRole_ = role;
    becamePressable(this);
    // Tab only: a click must not move the focus away from where the user left it.
    setFocusPolicy(Qt::TabFocus);
}

void ClickLabel::keyPressEvent(QKeyEvent *event)
{
    if (pressRole_ != QAccessible::NoRole && handlePressKey(event)) {
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent *event)
{
    if (!centreLetters_) {
        QLabel::paintEvent(event);
    } else {
        // Where the ink lies around the baseline, in whole device pixels:
        // measured, since the font's metrics allow for its deepest descender.
        const qreal ratio = devicePixelRatioF();
        const int baseline = qCeil(height() * ratio);
        QImage ink(QSizeF(width() * ratio + 1, 2 * baseline).toSize(),
                   QImage::Format_ARGB32_Premultiplied);
        ink.setDevicePixelRatio(ratio);
        ink.fill(Qt::transparent);
        QPainter measure(&ink);
        measure.setFont(font());
        measure.drawText(QPointF(0, baseline / ratio), text());
        measure.end();
        int top = ink.height(), bottom = -1;
        for (int y = 0; y < ink.height(); ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(ink.constScanLine(y));
            if (std::any_of(row, row + ink.width(), [](QRgb p) { return qAlpha(p) > 0; })) {
                top = qMin(top, y);
                bottom = y;
            }
        }
        // Centred, but with one clear row of pixels above the band's bottom
        // line, should the letters fill the band.
        const int rows = devicePixelRect(this).height();
        const int lastRow = rows - linePixels(ratio) - 2;
        const int shift =
            bottom < 0 ? 0 : qMin((rows - (bottom - top + 1)) / 2 - top, lastRow - bottom);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QPointF(0, (baseline + shift) / ratio), text());
    }
    if (hasFocus()) {
        QPainter painter(this);
        drawFocusFrame(painter, rect());
    }
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    leftDown_ = event->button() == Qt::LeftButton;
    emit pressed(event->button(), event->globalPosition().toPoint());
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = leftDown_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    leftDown_ = false;
    if (click)
        emit clicked();
}

void ClickLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit pointerMoved();
    QLabel::mouseMoveEvent(event);
}

ClickLabel *addLabel(QWidget *parent, const char *name, TwipRect r, const QString &caption,
                     qreal pointSize, Qt::Alignment alignment)
{
    auto *label = new ClickLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(twips::rect(r));
    label->setFont(arialFont(pointSize));
    label->setAlignment(alignment);
    label->setTextColor(Qt::black);
    return label;
}

ClickLabel *addTitle(QWidget *parent, TwipRect r, const QString &title)
{
    ClickLabel *label = addLabel(parent, "Label6", r, title, 11.25);
    label->centreLetters();
    return label;
}

FilledRect *addShape(QWidget *parent, const char *name, TwipRect r, const QColor &fill,
                     const QColor &outline)
{
    auto *shape = new FilledRect(parent, fill, outline);
    shape->setObjectName(name);
    shape->setGeometry(twips::rect(r));
    return shape;
}

LineWidget *addLine(QWidget *parent, const char *name, QPoint from, QPoint to)
{
    auto *line = new LineWidget(parent);
    line->setObjectName(name);
    const QPoint a = twips::point(from.x(), from.y());
    const QPoint b = twips::point(to.x(), to.y());
    if (a.x() == b.x())
        line->setGeometry(a.x(), qMin(a.y(), b.y()), 1, qAbs(b.y() - a.y()));
    else
        line->setGeometry(qMin(a.x(), b.x()), a.y(), qAbs(b.x() - a.x()), 1);
    return line;
}

int linePixels(qreal ratio)
{
    return qMax(1, qFloor(ratio));
}

QRect devicePixelRect(const QWidget *widget)
{
    const qreal ratio = widget->devicePixelRatioF();
    return QRect(0, 0, qRound(widget->width() * ratio), qRound(widget->height() * ratio));
}

void fillFrame(QPainter &painter, const QRect &outer, int thickness, const QColor &colour)
{
    const QRect inner = outer.adjusted(thickness, thickness, -thickness, -thickness);
    painter.fillRect(outer.left(), outer.top(), outer.width(), thickness, colour);
    painter.fillRect(outer.left(), inner.bottom() + 1, outer.width(), thickness, colour);
    painter.fillRect(outer.left(), inner.top(), thickness, inner.height(), colour);
    painter.fillRect(inner.right() + 1, inner.top(), thickness, inner.height(), colour);
}

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Button, colour);
    p.setColor(QPalette::Base, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

const QPalette &ownPalette()
{
    // Fixed colours (Fusion's light ones): a style's standard palette is the
    // desktop's under some platform themes (gtk3 with a dark style).
    static const QPalette palette = [] {
        const QColor grey(239, 239, 239);
        const QColor disabledText(190, 190, 190);
        QPalette p(Qt::black, grey, Qt::white, QColor(159, 159, 159), QColor(184, 184, 184),
                   Qt::black, Qt::white, Qt::white, grey);
        p.setColor(QPalette::Midlight, QColor(202, 202, 202));
        p.setColor(QPalette::Shadow, QColor(118, 118, 118));
        p.setColor(QPalette::Highlight, QColor(48, 140, 198));
        p.setColor(QPalette::AlternateBase, QColor(247, 247, 247));
        p.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 128));
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::Dark})
            p.setColor(QPalette::Disabled, role, disabledText);
        p.setColor(QPalette::Disabled, QPalette::Base, grey);
        p.setColor(QPalette::Disabled, QPalette::Shadow, QColor(177, 177, 177));
        p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(145, 145, 145));
        return p;
    }();
    return palette;
}

void useOwnColours(QWidget *window)
{
    window->setPalette(ownPalette());
}

QPixmap sharpPixmap(const QString &resource, QSize logicalSize)
{
    const qreal ratio = qApp->devicePixelRatio();
    if (resource.endsWith(QLatin1String(".svg")))
        return QIcon(resource).pixmap(logicalSize, ratio);
    if (ratio > 1) {
        // QImageReader gives an "@2x" file its pixel ratio of 2.
        const int dot = resource.lastIndexOf('.');
        const QString twin = resource.left(dot) + QLatin1String("@2x") + resource.mid(dot);
        if (QFile::exists(twin))
            return QPixmap(twin);
    }
    return QPixmap(resource);
}

void takeKeyboardBack(QWidget *window)
{
    if (window && window->isVisible())
        window->activateWindow();
}

void centreOver(QWidget *window, const QWidget *owner)
{
    QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    QRect frame(QPoint(), window->size());
    frame.moveCenter(owner ? owner->frameGeometry().center() : area.center());
    if (area.isValid()) {
        frame.moveLeft(
            qBound(area.left(), frame.left(), qMax(area.left(), area.right() - frame.width() + 1)));
        frame.moveTop(
            qBound(area.top(), frame.top(), qMax(area.top(), area.bottom() - frame.height() + 1)));
    }
    window->move(frame.topLeft());
}

} // namespace quillane
