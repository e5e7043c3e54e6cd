#include "settings/defaults.h"

#include "settings/colorarchive.h"
#include "settings/defaultskeys.h"

#include <QStandardPaths>
#include <QStringList>
#include <atomic>
#include <cfloat>
#include <climits>
#include <cmath>
#include <optional>

namespace pennova {

namespace {

    std::atomic<quint64> s_generation { 0 };

    // A value read back from an INI file is text, while a value written in this session is still
    // of the type it was written with; every parser accepts both forms.

    // Longer than any number or word a value is written as, even hand-edited with spaces around
    // it. A longer text is not looked at: parsing megabytes at every read would stall each
    // stroke segment.
    constexpr qsizetype kLongestValueText = 64;

    std::optional<double> numberFromText(const QString &text)
    {
        if (text.size() > kLongestValueText)
            return std::nullopt;
        const QString trimmed = text.trimmed();
        if (trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return 1.0;
        if (trimmed.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return 0.0;
        bool ok = false;
        const double number = trimmed.toDouble(&ok);
        if (!ok || !std::isfinite(number))
            return std::nullopt;
        return number;
    }

    bool isNumericType(int typeId)
    {
        switch (typeId) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
        }
    }

    std::optional<double> numberFrom(const QVariant &value)
    {
        const int type = value.typeId();
        if (type == QMetaType::Bool)
            return value.toBool() ? 1.0 : 0.0;
        if (type == QMetaType::QString)
            return numberFromText(value.toString());
        if (!isNumericType(type))
            return std::nullopt;
        const double number = value.toDouble();
        if (!std::isfinite(number))
            return std::nullopt;
        return number;
    }

    std::optional<float> floatFrom(const QVariant &value)
    {
        const std::optional<double> number = numberFrom(value);
        if (!number || std::fabs(*number) > double(FLT_MAX))
            return std::nullopt;
        return float(*number);
    }

    std::optional<int> integerFrom(const QVariant &value)
    {
        const std::optional<double> number = numberFrom(value);
        if (!number)
            return std::nullopt;
        const double whole = std::trunc(*number);
        if (whole < double(INT_MIN) || whole > double(INT_MAX))
            return std::nullopt;
        return int(whole);
    }

    std::optional<bool> boolFrom(const QVariant &value)
    {
        if (value.typeId() == QMetaType::QString) {
            if (value.toString().size() > kLongestValueText)
                return std::nullopt;
            const QString text = value.toString().trimmed();
            if (text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
                return true;
            if (text.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
                return false;
        }
        const std::optional<double> number = numberFrom(value);
        if (!number)
            return std::nullopt;
        return *number != 0.0;
    }

    std::optional<QByteArray> dataFrom(const QVariant &value)
    {
        if (value.typeId() != QMetaType::QByteArray)
            return std::nullopt;
        return value.toByteArray();
    }

    std::optional<QString> stringFrom(const QVariant &value)
    {
        const int type = value.typeId();
        if (type == QMetaType::QString)
            return value.toString();
        // The INI reader splits an unquoted value at its commas (dropping the spaces around
        // them); a hand-edited "a, b" comes back as the list ("a", "b").
        if (type == QMetaType::QStringList)
            return value.toStringList().join(QLatin1String(", "));
        if (type == QMetaType::Bool || isNumericType(type))
            return value.toString();
        return std::nullopt;
    }

    template <typename T, typename Parser>
    T readWithFallback(const QVariant &stored, const QVariant &factory, Parser parse)
    {
        if (stored.isValid()) {
            if (const std::optional<T> value = parse(stored))
                return *value;
        }
        if (factory.isValid()) {
            if (const std::optional<T> value = parse(factory))
                return *value;
        }
        return T {};
    }

} // namespace

Defaults::Defaults(const QString &settingsPath, QObject *parent)
    : QObject(parent)
    , m_settings(settingsPath, QSettings::IniFormat)
{ }

// One file holds the user's settings, in INI format under the per-user configuration folder
// (QSettings' own user-scope INI file would end in .ini); no organisation-wide or system file is
// consulted.
Defaults::Defaults()
    : Defaults(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Pennova/Pennova.conf"))
{ }

Defaults &Defaults::shared()
{
    static Defaults instance;
    return instance;
}

quint64 Defaults::generation()
{
    return s_generation.load(std::memory_order_relaxed);
}

void Defaults::registerDefaults(const QVariantMap &factoryValues)
{
    for (auto it = factoryValues.cbegin(); it != factoryValues.cend(); ++it)
        m_factory.insert(it.key(), it.value());
    s_generation.fetch_add(1, std::memory_order_relaxed);
}

QVariant Defaults::storedValue(const QString &key) const
{
    if (key.isEmpty())
        return {};
    return m_settings.value(key);
}

float Defaults::floatForKey(const QString &key) const
{
    return readWithFallback<float>(storedValue(key), m_factory.value(key), floatFrom);
}

int Defaults::integerForKey(const QString &key) const
{
    return readWithFallback<int>(storedValue(key), m_factory.value(key), integerFrom);
}

bool Defaults::boolForKey(const QString &key) const
{
    return readWithFallback<bool>(storedValue(key), m_factory.value(key), boolFrom);
}

QByteArray Defaults::dataForKey(const QString &key) const
{
    return readWithFallback<QByteArray>(storedValue(key), m_factory.value(key), dataFrom);
}

QString Defaults::stringForKey(const QString &key) const
{
    return readWithFallback<QString>(storedValue(key), m_factory.value(key), stringFrom);
}

QVariant Defaults::objectForKey(const QString &key) const
{
    const QVariant stored = storedValue(key);
    return stored.isValid() ? stored : m_factory.value(key);
}

bool Defaults::hasStoredValue(const QString &key) const
{
    return !key.isEmpty() && m_settings.contains(key);
}

void Defaults::write(const QString &key, const QVariant &value)
{
    if (key.isEmpty())
        return;
    m_settings.setValue(key, value);
    s_generation.fetch_add(1, std::memory_order_relaxed);
    emit changed(key);
}

void Defaults::setFloat(const QString &key, float value)
{
    // Stored as a double, whose shortest text form gives back the float exactly.
    write(key, double(value));
}

void Defaults::setInteger(const QString &key, int value)
{
    write(key, value);
}

void Defaults::setBool(const QString &key, bool value)
{
    write(key, value);
}

void Defaults::setData(const QString &key, const QByteArray &value)
{
    write(key, value);
}

void Defaults::setString(const QString &key, const QString &value)
{
    write(key, value);
}

void Defaults::removeObjectForKey(const QString &key)
{
    if (key.isEmpty())
        return;
    m_settings.remove(key);
    s_generation.fetch_add(1, std::memory_order_relaxed);
    emit changed(key);
}

void Defaults::sync()
{
    m_settings.sync();
    s_generation.fetch_add(1, std::memory_order_relaxed);
}

void registerApplicationDefaults(Defaults &defaults)
{
    defaults.registerDefaults({
        { keys::BrushSize, 10 },
        { keys::BrushSizeMin, 1 },
        { keys::EraserSize, 15 },
        { keys::EraserStrength, 50 },
        { keys::Ink, false },
        { keys::Color, ColorArchive::encode(RgbaColor { 0.0f, 0.0f, 0.0f, 1.0f }) },
        { keys::UndoLevels, 0 },
        { keys::DonateMessage,
            QStringLiteral("Donate $10 before September 19, 2007 to get version 1.0 for free when "
                           "it comes out (an estimated $35 value)") },
    });
    defaults.sync();
}

void registerDocumentDefaults(Defaults &defaults)
{
    defaults.registerDefaults({
        { keys::ImageWidth, 640 },
        { keys::ImageHeight, 480 },
    });
    defaults.sync();
}

} // namespace pennova
