// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DragForm.h"

#include "ui/Chrome.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace quillane {

namespace {

// QT_LOGGING_RULES="quillane.drag.info=true" tells who moves the window.
Q_LOGGING_CATEGORY(lcDrag, "quillane.drag", QtWarningMsg)

bool dragging = false;

// A move that the window system runs. The program hears nothing while it
// lasts; the first pointer event afterwards, or the buttons found up, end it.
class SystemMove : public QObject {
public:
    explicit SystemMove(std::function<void()> ended) : ended_(std::move(ended))
    {
        dragging = true;
        qApp->installEventFilter(this);
        connect(&poll_, &QTimer::timeout, this, [this] {
            if (QGuiApplication::mouseButtons() == Qt::NoButton)
                finish();
        });
        poll_.start(250);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseMove:
            if (static_cast<QMouseEvent *>(event)->buttons() != Qt::NoButton)
                break;
            [[fallthrough]];
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::Enter:
            finish();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void finish()
    {
        qApp->removeEventFilter(this);
        poll_.stop();
        dragging = false;
        if (ended_)
            ended_();
        deleteLater();
    }

    std::function<void()> ended_;
    QTimer poll_;
};

// The program's own move loop, for platforms that cannot move a window on
// request (X11 without a window manager). It follows every mouse event of the
// application while it lasts, so that a fast move cannot lose the window.
class MoveLoop : public QObject {
public:
    MoveLoop(QWidget *window, QPoint pressGlobalPos)
        : window_(window), grabOffset_(pressGlobalPos - window->pos())
    {
    }

    void run()
    {
        qApp->installEventFilter(this);
        window_->grabMouse();
        // A release the program never hears of (the grab taken away by the
        // desktop) must not leave the window stuck to the pointer.
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, &loop_, [this] {
            if (QGuiApplication::mouseButtons() == Qt::NoButton)
                finish();
        });
        watchdog.start(250);
        loop_.exec();
        finish();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            // A window opened meanwhile (from the keyboard or a timer) takes
            // the pointer: the drag ends before that window's own loop runs.
            if (auto *shown = qobject_cast<QWidget *>(watched); shown && shown->isWindow() &&
                                                                shown != window_ &&
                                                                shown->windowType() != Qt::ToolTip)
                finish();
            break;
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease: {
            if (!watched->isWidgetType())
                break; // the same event arrives once more for the widget
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (window_)
                window_->move(mouse->globalPosition().toPoint() - grabOffset_);
            if (event->type() == QEvent::MouseButtonRelease && mouse->buttons() == Qt::NoButton)
                finish();
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return watched->isWidgetType();
        default:
            break;
        }
        return false;
    }

private:
    void finish()
    {
        if (finished_)
            return;
        finished_ = true;
        qApp->removeEventFilter(this);
        if (window_)
            window_->releaseMouse();
        loop_.quit();
    }

    QPointer<QWidget> window_;
    QPoint grabOffset_;
    QEventLoop loop_;
    bool finished_ = false;
};

} // namespace

void DragForm(QWidget *window, QPoint pressGlobalPos, std::function<void()> ended)
{
    if (!window || dragging) {
        if (ended)
            ended();
        return;
    }
    QWindow *handle = window->windowHandle();
    if (handle && handle->startSystemMove()) {
        qCInfo(lcDrag, "moved by the window system");
        new SystemMove(std::move(ended));
        return;
    }
    qCInfo(lcDrag, "moved by the program");
    dragging = true;
    MoveLoop(window, pressGlobalPos).run();
    dragging = false;
    if (ended)
        ended();
}

void dragWithTitleBand(QWidget *window, FilledRect *band, QPoint pressGlobalPos)
{
    band->setFillColor(TitleBandDragColor);
    DragForm(window, pressGlobalPos, [band = QPointer<FilledRect>(band)] {
        if (band)
            band->setFillColor(TitleBandColor);
    });
}

} // namespace quillane
