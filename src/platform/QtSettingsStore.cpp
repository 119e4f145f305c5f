#include "platform/QtSettingsStore.h"

#include <QSettings>
#include <QStringList>

namespace quillane {

namespace {

QString keyPath(const QString &section, const QString &key)
{
    return section + '/' + key;
}

// A hand-edited file can hold values that QSettings parses as lists or
// "@Type(...)" variants; every reader here wants plain text.
QString asText(const QVariant &value)
{
    if (!value.isValid())
        return {};
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(',');
    if (value.canConvert<QString>())
        return value.toString();
    return {};
}

} // namespace

QString QtSettingsStore::get(const QString &app, const QString &section, const QString &key)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, app, app);
    return asText(store.value(keyPath(section, key)));
}

void QtSettingsStore::save(const QString &app, const QString &section, const QString &key,
                           const QString &value)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, app, app);
    store.setValue(keyPath(section, key), value);
    store.sync();
}

} // namespace quillane
