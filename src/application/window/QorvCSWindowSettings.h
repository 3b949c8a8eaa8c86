#pragma once

#include "QorvCSSettingsStore.h"

#include "foundation/Value.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

// What the window remembers between runs. Absent members mean "not remembered": the window keeps its defaults.
struct QorvCSRememberedWindow {
    std::optional<std::string> geometry; // the window system's geometry record, base64
    std::optional<std::string> state; // the toolbars' and docks' arrangement, base64
    std::optional<int> sidebarWidth; // pixels
    std::set<std::string> unticked; // unique identifiers of the sections left out of the report
    std::optional<qorv::Value::Dictionary> pageSetup; // paper, orientation and borders, as the print settings keep them
    std::optional<std::string> saveFolder; // absolute path of the folder last saved into
    // The upsd servers chosen in the window ("host[:port]"), in place of the bundle's; may be empty (no UPS server).
    std::optional<std::vector<std::string>> upsServers;
    bool operator==(const QorvCSRememberedWindow&) const = default;
};

// Reads and writes the remembered window through a store. Reading keeps only values that make sense (a
// sidebar width a screen can show, a page whose borders fit on its paper, an absolute folder); the rest is
// ignored, and a store that is unreadable or not ours is ignored whole, each with one log line.
class QorvCSWindowSettings {
public:
    explicit QorvCSWindowSettings(QorvCSSettingsStore& store)
        : m_store(store)
    { }

    QorvCSRememberedWindow load() const;
    void save(const QorvCSRememberedWindow& window);

    static constexpr int minimumSidebarWidth = 60;
    static constexpr int maximumSidebarWidth = 2000;
    // More identifiers than this are not a person's choices; the first ones are kept.
    static constexpr size_t maximumUnticked = 1000;
    // The number written with every save; a store without it was not written by us.
    static constexpr std::string_view formatVersion = "1";

private:
    QorvCSSettingsStore& m_store;
};
