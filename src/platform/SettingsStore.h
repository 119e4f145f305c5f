// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Failure.h"

#include <QString>

namespace quillane {

// The per-user settings store: string values by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Checks, before the first get or save for app, that its store can be read
    // and written. When it cannot, says why; the store then keeps app's values
    // in memory for this run and writes nothing.
    virtual MaybeFailure open(const QString &app)
    {
        Q_UNUSED(app);
        return std::nullopt;
    }
    // The stored text, or the empty string when the key or section is missing.
    virtual QString get(const QString &app, const QString &section, const QString &key) = 0;
    // Stores the value at once; the next get sees it. When it cannot be
    // stored, says why, and the store still holds what it held before.
    virtual MaybeFailure save(const QString &app, const QString &section, const QString &key,
                              const QString &value) = 0;
};

} // namespace quillane
