// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include "platform/SettingsStore.h"

#include <limits>

namespace quillane {

namespace {
const QString App = QStringLiteral("Quillane");
const QString Section = QStringLiteral("Settings");
} // namespace

const std::array<SettingDefault, 8> &settingDefaults()
{
    static const std::array<SettingDefault, 8> defaults{{
        {keys::HomePage, HomePageAddress, Reading::Text},
        {keys::Border, "Both", Reading::Cover},
        {keys::BorderLine, "False", Reading::OnIfTrue},
        {keys::GuideLine, "False", Reading::OnIfTrue},
        {keys::LineColor, "0", Reading::Colour},
        {keys::PrintBack, "True", Reading::OnUnlessFalse},
        {keys::PrintFront, "True", Reading::OnUnlessFalse},
        {keys::FormHeight, QString::number(ClosedFormHeight), Reading::Height},
    }};
    return defaults;
}

QString Settings::get(const QString &key) const
{
    return store_.get(App, Section, key);
}

MaybeFailure Settings::save(const QString &key, const QString &value)
{
    return store_.save(App, Section, key, value);
}

bool Settings::isOn(const QString &key) const
{
    for (const SettingDefault &setting : settingDefaults()) {
        if (setting.key == key) {
            Q_ASSERT(setting.reading == Reading::OnUnlessFalse ||
                     setting.reading == Reading::OnIfTrue);
            return setting.reading == Reading::OnIfTrue ? get(key) == QLatin1String("True")
                                                        : get(key) != QLatin1String("False");
        }
    }
    Q_ASSERT_X(false, "Settings::isOn", "not a setting");
    return false;
}

MaybeFailure Settings::saveBool(const QString &key, bool on)
{
    return save(key, on ? "True" : "False");
}

MaybeFailure Settings::seedMissing()
{
    MaybeFailure unusable = store_.open(App);
    for (const SettingDefault &setting : settingDefaults()) {
        if (!get(setting.key).isEmpty())
            continue;
        if (MaybeFailure failure = save(setting.key, setting.value))
            return unusable ? unusable : failure;
    }
    return unusable;
}

namespace {

bool isAsciiDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

int effectiveFormHeight(const QString &stored)
{
    if (!isAsciiDigits(stored))
        return ClosedFormHeight;
    bool ok = false;
    const qlonglong value = stored.toLongLong(&ok);
    // Too many digits for any integer: as large as a height can be.
    if (!ok || value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return value < ClosedFormHeight ? ClosedFormHeight : int(value);
}

std::optional<qint32> parseColorValue(const QString &text)
{
    QStringView digits = QStringView(text).trimmed();
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == u'+' || digits.front() == u'-')) {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    if (!isAsciiDigits(digits))
        return std::nullopt;
    bool ok = false;
    const qulonglong magnitude = digits.toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    const qlonglong value = negative ? -qlonglong(magnitude) : qlonglong(magnitude);
    if (magnitude > qulonglong(std::numeric_limits<qint64>::max()) ||
        value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

} // namespace quillane
