// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

namespace quillane::test {

// The one way tests answer modal windows. Each new modal window takes the
// next queued answer, run from its own event loop. A window still open past
// the deadline fails the test and is closed, so that a broken answer ends the
// test instead of waiting for CTest's limit; one that will not close ends
// the program. Answers queued by an earlier test function are dropped, so
// none lies in wait for a later test's window.
class ModalDriver final : public QObject {
public:
    using Answer = std::function<void(QWidget *)>;

    ModalDriver();

    ModalDriver &operator<<(Answer answer);
    // Drops the answers no window took.
    void drop() { answers_.clear(); }

    // objectNames of the modal windows opened, in order.
    QStringList shown;
    int deadlineMs = 20000;

private:
    struct Queued {
        Answer answer;
        QString test;
    };
    struct Open {
        QPointer<QWidget> window;
        QElapsedTimer since;
        bool closing = false;
        bool waiting = false; // for its answer
    };
    void answer();
    void watch();

    QList<Queued> answers_;
    QList<Open> open_;
    QTimer answering_;
    QTimer watching_;
};

// The driver of this test program, watching from its first use.
ModalDriver &modals();

} // namespace quillane::test
