#include "QorvCSQtSettingsStore.h"

#include <QStandardPaths>
#include <QStringList>

namespace {

QString keyOf(std::string_view key)
{
    return QString::fromUtf8(key.data(), qsizetype(key.size()));
}

} // namespace

QorvCSQtSettingsStore::QorvCSQtSettingsStore(const QString& path)
    : m_settings(path, QSettings::IniFormat)
{ }

QString QorvCSQtSettingsStore::defaultPath()
{
    // Not QSettings' own default: it fixes the folder at its first use in the process.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/cellsheet/cellsheet.conf");
}

std::string QorvCSQtSettingsStore::location() const
{
    return m_settings.fileName().toStdString();
}

bool QorvCSQtSettingsStore::isReadable() const
{
    // The file is parsed on first access; only then does the status say how it went.
    m_settings.allKeys();
    return m_settings.status() != QSettings::FormatError;
}

std::vector<std::string> QorvCSQtSettingsStore::keys() const
{
    std::vector<std::string> keys;
    for (const QString& key : m_settings.allKeys())
        keys.push_back(key.toStdString());
    return keys;
}

std::optional<std::string> QorvCSQtSettingsStore::string(std::string_view key) const
{
    const QVariant value = m_settings.value(keyOf(key));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString().toStdString();
}

std::optional<std::vector<std::string>> QorvCSQtSettingsStore::strings(std::string_view key) const
{
    const QVariant value = m_settings.value(keyOf(key));
    std::vector<std::string> list;
    // The file cannot tell a list of one from a text: a text is a list of one here.
    if (value.typeId() == QMetaType::QString) {
        list.push_back(value.toString().toStdString());
        return list;
    }
    if (value.typeId() != QMetaType::QStringList)
        return std::nullopt;
    for (const QString& item : value.toStringList())
        list.push_back(item.toStdString());
    return list;
}

void QorvCSQtSettingsStore::setString(std::string_view key, const std::string& value)
{
    m_settings.setValue(keyOf(key), QString::fromStdString(value));
}

void QorvCSQtSettingsStore::setStrings(std::string_view key, const std::vector<std::string>& values)
{
    QStringList list;
    for (const auto& value : values)
        list.append(QString::fromStdString(value));
    m_settings.setValue(keyOf(key), list);
}

void QorvCSQtSettingsStore::remove(std::string_view key)
{
    m_settings.remove(keyOf(key));
}

bool QorvCSQtSettingsStore::sync()
{
    m_settings.sync();
    // A file that could not be parsed is replaced all the same; its format error stays in the status.
    return m_settings.status() != QSettings::AccessError;
}
