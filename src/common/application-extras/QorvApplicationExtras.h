#pragma once

#include <QPointer>

#include <memory>
#include <string_view>

class QMenu;
class QMenuBar;
class QObject;
class QWidget;

// The application menu's extra commands and the software updater, both from the interface file
// "QorvApplicationExtras.ui": a detached menu "extraMenuItems", whose items move into the application menu (the
// first menu of the main menu bar) just above its first separator, and an object "updater", kept alive here.
class QorvApplicationExtras {
public:
    // Loads the interface file and inserts its items into mainMenu's application menu.
    explicit QorvApplicationExtras(QMenuBar* mainMenu);
    virtual ~QorvApplicationExtras();
    QorvApplicationExtras(const QorvApplicationExtras&) = delete;
    QorvApplicationExtras& operator=(const QorvApplicationExtras&) = delete;

    static std::shared_ptr<QorvApplicationExtras> applicationExtras(QMenuBar* mainMenu);
    virtual std::string_view className() const { return "QorvApplicationExtras"; }

    // Loads the interface file from the main bundle and connects the two outlets; a second load, a missing or
    // malformed file and an unconnected outlet fail assertions.
    void loadNib();
    // Moves every item of extraMenuItems, in order, above the application menu's first separator. An item whose
    // "infoDictionaryAddress" property names an Info.plist key without an address is left out.
    void insertExtraMenuItems();

    QObject* updater() const { return m_updater; }
    void setUpdater(QObject* updater) { m_updater = updater; }
    QMenu* extraMenuItems() const { return m_extraMenuItems; }
    void setExtraMenuItems(QMenu* menu) { m_extraMenuItems = menu; }
    QMenuBar* mainMenu() const { return m_mainMenu; }

private:
    QPointer<QMenuBar> m_mainMenu;
    // The interface file's top-level object; it owns the updater and the extra menu.
    std::unique_ptr<QWidget> m_nib;
    QPointer<QObject> m_updater;
    QPointer<QMenu> m_extraMenuItems;
};
