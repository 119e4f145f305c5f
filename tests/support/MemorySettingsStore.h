// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SettingsStore.h"

#include <QMap>
#include <QStringList>

namespace quillane {

// Settings in memory, with a log of every call in order. With failSaves set,
// every save is logged and fails, as on a full disk, and nothing changes.
class MemorySettingsStore final : public SettingsStore {
public:
    QString get(const QString &app, const QString &section, const QString &key) override
    {
        reads << key;
        return values.value(app + '/' + section + '/' + key);
    }
    MaybeFailure save(const QString &app, const QString &section, const QString &key,
                      const QString &value) override
    {
        saves << key + '=' + value;
        if (!failSaves)
            values.insert(app + '/' + section + '/' + key, value);
        return failSaves;
    }

    // Quillane's own section.
    void set(const QString &key, const QString &value)
    {
        values.insert("Quillane/Settings/" + key, value);
    }
    QString value(const QString &key) const { return values.value("Quillane/Settings/" + key); }

    QMap<QString, QString> values;
    QStringList reads;
    QStringList saves;
    MaybeFailure failSaves;
};

// Passes every call to another store and logs them in order.
class SpySettingsStore final : public SettingsStore {
public:
    explicit SpySettingsStore(SettingsStore &inner) : inner_(inner) {}

    MaybeFailure open(const QString &app) override { return inner_.open(app); }
    QString get(const QString &app, const QString &section, const QString &key) override
    {
        reads << key;
        return inner_.get(app, section, key);
    }
    MaybeFailure save(const QString &app, const QString &section, const QString &key,
                      const QString &value) override
    {
        saves << key + '=' + value;
        return inner_.save(app, section, key, value);
    }

    QStringList reads;
    QStringList saves;

private:
    SettingsStore &inner_;
};

} // namespace quillane
