#include "app/DragForm.h"

#include "app/Chrome.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace quillane {

namespace {

// Follows every mouse event of the application while the drag lasts, so
// that neither the widget under the pointer nor a fast move can lose it.
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
                loop_.quit();
        });
        watchdog.start(250);
        loop_.exec();
        qApp->removeEventFilter(this);
        if (window_)
            window_->releaseMouse();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease: {
            if (!watched->isWidgetType())
                break; // the same event arrives once more for the widget
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (window_)
                window_->move(mouse->globalPosition().toPoint() - grabOffset_);
            if (event->type() == QEvent::MouseButtonRelease && mouse->buttons() == Qt::NoButton)
                loop_.quit();
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
    QPointer<QWidget> window_;
    QPoint grabOffset_;
    QEventLoop loop_;
};

} // namespace

void DragForm(QWidget *window, QPoint pressGlobalPos)
{
    static bool dragging = false;
    if (!window || dragging)
        return;
    // Wayland lets only the compositor move windows; it runs the loop itself.
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        if (QWindow *handle = window->windowHandle())
            handle->startSystemMove();
        return;
    }
    dragging = true;
    MoveLoop(window, pressGlobalPos).run();
    dragging = false;
}

void dragWithTitleBand(QWidget *window, FilledRect *band, QPoint pressGlobalPos)
{
    const QPointer<FilledRect> guard(band);
    band->setFillColor(TitleBandDragColor);
    DragForm(window, pressGlobalPos);
    if (guard)
        guard->setFillColor(TitleBandColor);
}

} // namespace quillane
