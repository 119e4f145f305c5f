// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CommonDialog.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillane {

// Answers the common dialogs from queued answers and remembers what each
// opening was given.
class FakeCommonDialog final : public CommonDialog {
public:
    struct OpenCall {
        QString filter;
        qint32 flags = 0;
        QString fileNameAtOpen;
    };

    void showOpen(QWidget *) override
    {
        openCalls.append({filter(), flags(), fileName()});
        const QString answer = openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
        if (!answer.isEmpty()) // an empty answer is a cancel: nothing changes
            setFileName(answer);
        if (afterOpen)
            afterOpen();
    }

    bool showColor(QWidget *parent) override
    {
        colorParents.append(parent);
        const std::optional<quint32> answer =
            colorAnswers.isEmpty() ? std::nullopt : colorAnswers.takeFirst();
        if (!answer)
            return false;
        setColor(*answer);
        return true;
    }

    void showHelp() override { helpCalls.append({helpFile(), helpCommand()}); }

    QString showSave(QWidget *, const QString &title, const QString &filter,
                     const QString &suggested) override
    {
        saveCalls.append({title, filter, suggested});
        // An empty answer, or none left, is a cancel.
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }

    QStringList openAnswers;
    QList<OpenCall> openCalls;
    // Runs after each file-open, while the caller still waits in it.
    std::function<void()> afterOpen;

    QList<std::optional<quint32>> colorAnswers;
    QList<QWidget *> colorParents;

    struct SaveCall {
        QString title, filter, suggested;
    };
    QStringList saveAnswers;
    QList<SaveCall> saveCalls;

    struct HelpCall {
        QString file;
        int command = 0;
    };
    QList<HelpCall> helpCalls;
};

} // namespace quillane
