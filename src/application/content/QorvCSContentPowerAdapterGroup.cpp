#include "QorvCSContentPowerAdapterGroup.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"

namespace {

constexpr std::string_view labelKey = "QorvCSContentPowerAdapterGroup.label";
constexpr std::string_view adapterUniqueID = "powerAdaptor";

} // namespace

QorvCSContentPowerAdapterGroup::QorvCSContentPowerAdapterGroup(
    const std::shared_ptr<QorvCSPowerSourceController>& aPowerSourceController)
    : QorvCSContentPowerSourceController(std::string(QorvCSContentPowerAdapterGroupUniqueID),
        qorv::Bundle::main().localizedString(labelKey), aPowerSourceController)
{
    setPowerSourceController(aPowerSourceController);
    setGroup(true);
}

std::shared_ptr<QorvCSContentPowerAdapterGroup>
QorvCSContentPowerAdapterGroup::powerAdapterGroupWithPowerSourceController(
    std::shared_ptr<QorvCSPowerSourceController> aPowerSourceController)
{
    QorvParameterAssert(aPowerSourceController);
    // Made first and filled afterwards, so the change it announces can name the group.
    auto group = std::make_shared<QorvCSContentPowerAdapterGroup>(aPowerSourceController);
    group->updateChildrenWithPowerSourceController();
    return group;
}

std::shared_ptr<QorvCSContentPowerAdapterGroup> QorvCSContentPowerAdapterGroup::contentWithUniqueID(
    std::string, std::string)
{
    rejectInitialiser("QorvCSContentPowerAdapterGroup");
}

void QorvCSContentPowerAdapterGroup::didObservePowerSourceController(
    const std::shared_ptr<QorvCSPowerSourceController>&)
{
    updateChildrenWithPowerSourceController();
}

void QorvCSContentPowerAdapterGroup::updateChildrenWithPowerSourceController()
{
    const auto& controller = powerSourceController();
    setChildren(childrenWithPowerAdapter(controller ? controller->powerAdapter() : nullptr));
    postDidChangeNotification();
}

std::shared_ptr<QorvCSContent::Children> QorvCSContentPowerAdapterGroup::childrenWithPowerAdapter(
    const std::shared_ptr<QorvCSPowerSource>& powerAdapter)
{
    auto list = std::make_shared<Children>();
    if (powerAdapter) {
        auto node = std::dynamic_pointer_cast<QorvCSContentPowerSource>(childWithUniqueID(adapterUniqueID));
        if (!node) {
            node = QorvCSContentPowerSource::contentWithPowerSource(powerAdapter);
            node->setImage(QorvCSContentPowerSource::imageResource("power-adapter", className()));
        }
        // Another adapter plugged in keeps the reader's choice but not the old adapter's name.
        node->setLabel(powerAdapter->name());
        node->setPowerSource(powerAdapter);
        node->setUniqueID(std::string(adapterUniqueID));
        list->push_back(std::move(node));
    }
    if (list->empty())
        list->push_back(searchingContent());
    return list;
}
