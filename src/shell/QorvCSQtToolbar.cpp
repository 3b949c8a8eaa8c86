#include "QorvCSQtToolbar.h"

#include "QorvCSImages.h"

#include "foundation/Bundle.h"

#include <string_view>

namespace {

// The bundled drawing for each of the toolbar's commands. They are drawn as one set; a theme's or a mail
// program's own icon beside them would mix styles, so they are used only for a command without one.
std::optional<std::string> bundledDrawing(std::string_view action)
{
    const char* name = action == "exportToEmail:" ? "mail"
        : action == "exportToPDF:"                ? "pdf-document"
        : action == "print:"                      ? "print"
                                                  : nullptr;
    return name ? qorv::Bundle::main().pathForResource(name, "svg") : std::nullopt;
}

} // namespace

void QorvCSQtToolbarItem::setImage(const qorv::Image& image)
{
    if (const auto drawing = bundledDrawing(m_actionName))
        m_action->setIcon(QorvCSIcon(qorv::Image { {}, *drawing }));
    else
        m_action->setIcon(QorvCSIcon(image));
}

QAction* QorvCSQtToolbar::addItem(const QString& text, std::string actionName)
{
    auto* action = m_toolBar->addAction(text);
    action->setObjectName(QString::fromStdString(actionName));
    m_items.push_back(std::make_unique<QorvCSQtToolbarItem>(action, std::move(actionName)));
    // A command with a drawing of its own shows it from the start, before the controller dresses the toolbar.
    m_items.back()->setImage({});
    return action;
}

std::vector<QorvCSToolbarItem*> QorvCSQtToolbar::items()
{
    std::vector<QorvCSToolbarItem*> result;
    for (auto& item : m_items)
        result.push_back(item.get());
    return result;
}
