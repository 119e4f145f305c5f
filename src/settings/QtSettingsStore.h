// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SettingsStore.h"

#include <QHash>
#include <QSet>

namespace quillane {

// QSettings in INI format under the user's configuration folder:
// $XDG_CONFIG_HOME/<app>/<app>.conf, with one group per section. Every call
// first looks at the file itself, since QSettings would wait forever on a
// named pipe or a lock it cannot take, and would write through a link to
// whatever the link points at. A save holds the lock a bounded time and
// replaces the file only with a copy that reads back right.
class QtSettingsStore final : public SettingsStore {
public:
    MaybeFailure open(const QString &app) override;
    QString get(const QString &app, const QString &section, const QString &key) override;
    MaybeFailure save(const QString &app, const QString &section, const QString &key,
                      const QString &value) override;

private:
    // Apps whose file could not be used at start: their values for this run.
    QSet<QString> inMemory_;
    QHash<QString, QString> memory_;
};

} // namespace quillane
