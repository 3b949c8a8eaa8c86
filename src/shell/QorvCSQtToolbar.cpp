#include "QorvCSQtToolbar.h"

#include "QorvCSImages.h"

void QorvCSQtToolbarItem::setImage(const qorv::Image& image)
{
    m_action->setIcon(QorvCSIcon(image));
}

QAction* QorvCSQtToolbar::addItem(const QString& text, std::string actionName)
{
    auto* action = m_toolBar->addAction(text);
    action->setObjectName(QString::fromStdString(actionName));
    m_items.push_back(std::make_unique<QorvCSQtToolbarItem>(action, std::move(actionName)));
    return action;
}

std::vector<QorvCSToolbarItem*> QorvCSQtToolbar::items()
{
    std::vector<QorvCSToolbarItem*> result;
    for (auto& item : m_items)
        result.push_back(item.get());
    return result;
}
