#pragma once

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace quillane::test {

// Answers the modal windows a click opens, each new one with the next answer
// in turn. Answers left over when stop() is called are dropped, so that none
// lies in wait for a later test's window.
class ModalAnswers {
public:
    ModalAnswers()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    }

    QList<std::function<void(QWidget *)>> answers;

    void start()
    {
        answered_ = nullptr;
        timer_.start(10);
    }
    void stop()
    {
        timer_.stop();
        answers.clear();
    }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == answered_ || !modal->isVisible() || answers.isEmpty())
            return;
        answered_ = modal;
        answers.takeFirst()(modal);
    }

    QTimer timer_;
    QPointer<QWidget> answered_;
};

} // namespace quillane::test
