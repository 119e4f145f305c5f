// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QWidget>

#include <algorithm>

namespace quillane::test {

namespace {

QString currentTest()
{
    return QString("%1/%2").arg(QTest::currentTestFunction(), QTest::currentDataTag());
}

} // namespace

ModalDriver::ModalDriver()
{
    connect(&answering_, &QTimer::timeout, this, &ModalDriver::answer);
    answering_.start(10);
    // A timer of its own, which fires while an answer runs.
    connect(&watching_, &QTimer::timeout, this, &ModalDriver::watch);
    watching_.start(50);
}

ModalDriver &ModalDriver::operator<<(Answer answer)
{
    answers_.append({std::move(answer), currentTest()});
    return *this;
}

void ModalDriver::answer()
{
    const QString test = currentTest();
    answers_.removeIf([&](const Queued &queued) { return queued.test != test; });

    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    auto open = std::find_if(open_.begin(), open_.end(),
                             [modal](const Open &open) { return open.window == modal; });
    if (open == open_.end()) {
        // Only a window that opens while an answer waits takes one.
        open = open_.insert(open_.end(), {modal, {}, false, !answers_.isEmpty()});
        open->since.start();
        shown << modal->objectName();
    }
    // Answered once it has the keyboard, as a user would answer it.
    if (open->waiting && !answers_.isEmpty() &&
        (QApplication::activeWindow() == modal || open->since.elapsed() > 1000)) {
        open->waiting = false;
        answers_.takeFirst().answer(modal);
    }
}

void ModalDriver::watch()
{
    open_.removeIf([](const Open &open) { return !open.window || !open.window->isVisible(); });
    for (Open &open : open_) {
        const qint64 age = open.since.elapsed();
        const QString name =
            QString("%1 \"%2\"").arg(open.window->objectName(), open.window->windowTitle());
        if (!open.closing && age > deadlineMs) {
            open.closing = true;
            const QString why =
                QString("the modal window %1 was still open after %2 ms").arg(name).arg(deadlineMs);
            QTest::qFail(qPrintable(why), __FILE__, __LINE__);
            if (auto *dialog = qobject_cast<QDialog *>(open.window.data()))
                dialog->reject();
            else
                open.window->close();
        } else if (open.closing && age > deadlineMs + 5000) {
            qFatal("the modal window %s did not close", qPrintable(name));
        }
    }
}

ModalDriver &modals()
{
    static auto *driver = new ModalDriver;
    return *driver;
}

} // namespace quillane::test
