// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <type_traits>
#include <utility>

namespace quillane {

// Runs work on a worker thread and waits for it while the windows keep
// repainting under the busy cursor. Input waits until the work is done, as it
// would for a modal step, so a handler's steps keep their order.
template <typename Work> auto awaitOffUiThread(Work &&work)
{
    using Result = std::invoke_result_t<std::decay_t<Work>>;
    QFuture<Result> future = QtConcurrent::run(std::forward<Work>(work));
    if (!future.isFinished()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QEventLoop loop;
        QFutureWatcher<Result> watcher;
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(future);
        if (!future.isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        QApplication::restoreOverrideCursor();
    }
    if constexpr (std::is_void_v<Result>)
        future.waitForFinished();
    else
        return future.result();
}

} // namespace quillane
