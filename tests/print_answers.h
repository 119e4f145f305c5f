#pragma once

#include <QApplication>
#include <QComboBox>
#include <QList>
#include <QPointer>
#include <QTest>
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

// The "Print to:" list once the printer has answered, its entries in order.
inline QStringList listedIn(QWidget *printTo, int timeoutMs = 5000)
{
    auto *list = printTo->findChild<QComboBox *>("Combo1");
    QStringList entries;
    if (!QTest::qWaitFor([list] { return list->isEnabled(); }, timeoutMs)) {
        QTest::qFail("the list did not fill", __FILE__, __LINE__);
        return entries;
    }
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

} // namespace quillane::test
