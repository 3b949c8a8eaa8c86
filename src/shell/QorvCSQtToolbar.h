#pragma once

#include "QorvCSToolbar.h"

#include <QAction>
#include <QToolBar>

#include <memory>
#include <vector>

// A toolbar action as the window controller sees it.
class QorvCSQtToolbarItem : public QorvCSToolbarItem {
public:
    QorvCSQtToolbarItem(QAction* action, std::string actionName)
        : m_action(action)
        , m_actionName(std::move(actionName))
    { }
    std::string action() const override { return m_actionName; }
    void setImage(const qorv::Image& image) override;
    QAction* qAction() const { return m_action; }

private:
    QAction* m_action;
    std::string m_actionName;
};

class QorvCSQtToolbar : public QorvCSToolbar {
public:
    explicit QorvCSQtToolbar(QToolBar* toolBar)
        : m_toolBar(toolBar)
    { }
    // Adds an action that sends actionName (for example "print:") to the controller.
    QAction* addItem(const QString& text, std::string actionName);
    std::vector<QorvCSToolbarItem*> items() override;

private:
    QToolBar* m_toolBar;
    std::vector<std::unique_ptr<QorvCSQtToolbarItem>> m_items;
};
