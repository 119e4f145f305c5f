#pragma once

#include "platform/SettingsStore.h"

namespace quillane {

// QSettings in its native INI format under the user's configuration folder:
// $XDG_CONFIG_HOME/<app>/<app>.conf, with one group per section.
class QtSettingsStore final : public SettingsStore {
public:
    QString get(const QString &app, const QString &section, const QString &key) override;
    void save(const QString &app, const QString &section, const QString &key,
              const QString &value) override;
};

} // namespace quillane
