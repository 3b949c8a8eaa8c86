// QorvCSApplicationController: how the sidebar and the toolbar present the content tree.
#include "QorvCSApplicationController.h"

#include <cmath>

namespace {

constexpr std::string_view includeIdentifier = "include";
constexpr std::string_view labelIdentifier = "localisedLabel";
constexpr double sidebarIconScale = 0.9;

bool isColumn(const QorvCSOutlineColumn* column, std::string_view identifier)
{
    return column && column->identifier == identifier;
}

} // namespace

std::string QorvCSApplicationController::dataCellForTableColumn(const QorvCSOutlineColumn* column, QorvCSContent* item)
{
    if (!column && item && isGroupItem(item))
        return std::string(labelIdentifier);
    if (item && item->canInclude())
        return column ? column->identifier : std::string(labelIdentifier);
    if (isColumn(column, includeIdentifier))
        return std::string(labelIdentifier);
    return column ? column->identifier : std::string(labelIdentifier);
}

void QorvCSApplicationController::willDisplayCell(
    QorvCSOutlineCell& cell, const QorvCSOutlineColumn* column, QorvCSContent* item)
{
    cell.setImage({}, 0);
    if (!item)
        return;
    if (!column || isColumn(column, labelIdentifier)) {
        const qorv::Image& image = item->image();
        if (!image.isNull())
            cell.setImage(image, std::ceil(cell.cellHeight() * sidebarIconScale));
    }
    if (!item->canInclude() && isColumn(column, includeIdentifier))
        cell.setStringValue({});
}

bool QorvCSApplicationController::isGroupItem(QorvCSContent* item)
{
    return item && item->isGroup();
}

bool QorvCSApplicationController::shouldTrackCell(const QorvCSOutlineColumn* column, QorvCSContent* item)
{
    return item && item->canInclude() && isColumn(column, includeIdentifier);
}

void QorvCSApplicationController::applyImageToCustomToolbarItems(const std::vector<QorvCSToolbarItem*>& items)
{
    for (auto* item : items)
        if (item)
            applyImageToCustomToolbarItem(*item);
}

void QorvCSApplicationController::applyImageToCustomToolbarItem(QorvCSToolbarItem& item)
{
    if (!m_workspace)
        return;
    const std::string action = item.action();
    if (action == "exportToEmail:")
        item.setImage(m_workspace->mailApplicationIcon().value_or(m_workspace->iconForFileType("eml")));
    else if (action == "exportToPDF:")
        item.setImage(m_workspace->iconForFileType("pdf"));
}
