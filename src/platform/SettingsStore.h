#pragma once

#include <QString>

namespace quillane {

// The per-user settings store: string values by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text, or the empty string when the key or section is missing.
    virtual QString get(const QString &app, const QString &section, const QString &key) = 0;
    // Stores the value at once; the next get sees it.
    virtual void save(const QString &app, const QString &section, const QString &key,
                      const QString &value) = 0;
};

} // namespace quillane
