#pragma once

#include "QorvCSSettingsStore.h"

#include <QSettings>

// The settings store as an INI file through QSettings: by default cellsheet/cellsheet.conf in the user's XDG
// configuration folder.
class QorvCSQtSettingsStore : public QorvCSSettingsStore {
public:
    explicit QorvCSQtSettingsStore(const QString& path = defaultPath());
    // $XDG_CONFIG_HOME/cellsheet/cellsheet.conf (~/.config when unset), read anew on every call.
    static QString defaultPath();

    std::string location() const override;
    bool isReadable() const override;
    std::vector<std::string> keys() const override;
    std::optional<std::string> string(std::string_view key) const override;
    std::optional<std::vector<std::string>> strings(std::string_view key) const override;
    void setString(std::string_view key, const std::string& value) override;
    void setStrings(std::string_view key, const std::vector<std::string>& values) override;
    void remove(std::string_view key) override;
    // Writes pending changes to the file; false when it could not be written.
    bool sync();

private:
    mutable QSettings m_settings;
};
