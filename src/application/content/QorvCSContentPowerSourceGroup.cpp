#include "QorvCSContentPowerSourceGroup.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <set>

namespace {

constexpr std::string_view labelKey = "QorvCSContentPowerSourceGroup.label";
constexpr std::string_view singleSourceUniqueID = "powerSource";

} // namespace

QorvCSContentPowerSourceGroup::QorvCSContentPowerSourceGroup(
    const std::shared_ptr<QorvCSPowerSourceController>& aPowerSourceController)
    : QorvCSContentPowerSourceController(std::string(QorvCSContentPowerSourceGroupUniqueID),
        qorv::Bundle::main().localizedString(labelKey), aPowerSourceController)
{
    setPowerSourceController(aPowerSourceController);
    setGroup(true);
}

std::shared_ptr<QorvCSContentPowerSourceGroup> QorvCSContentPowerSourceGroup::powerSourceGroupWithPowerSourceController(
    std::shared_ptr<QorvCSPowerSourceController> aPowerSourceController)
{
    QorvParameterAssert(aPowerSourceController);
    // Made first and filled afterwards, so the change it announces can name the group.
    auto group = std::make_shared<QorvCSContentPowerSourceGroup>(aPowerSourceController);
    group->updateChildrenWithPowerSourceController();
    return group;
}

std::shared_ptr<QorvCSContentPowerSourceGroup> QorvCSContentPowerSourceGroup::contentWithUniqueID(
    std::string, std::string)
{
    rejectInitialiser("QorvCSContentPowerSourceGroup");
}

void QorvCSContentPowerSourceGroup::didObservePowerSourceController(const std::shared_ptr<QorvCSPowerSourceController>&)
{
    updateChildrenWithPowerSourceController();
}

void QorvCSContentPowerSourceGroup::updateChildrenWithPowerSourceController()
{
    const auto& controller = powerSourceController();
    auto sources = controller ? controller->sources() : nullptr;
    setChildren(childrenWithPowerSources(sources ? *sources : QorvCSPowerSourceController::Sources {}));
    postDidChangeNotification();
}

std::shared_ptr<QorvCSContent::Children> QorvCSContentPowerSourceGroup::childrenWithPowerSources(
    const QorvCSPowerSourceController::Sources& sources)
{
    auto list = std::make_shared<Children>();
    std::set<const QorvCSContent*> taken;
    // The first current node not yet taken whose source has the same identity; with repeated identities the
    // n-th source takes the n-th node.
    auto existingNode = [&](const QorvCSPowerSource& source) -> std::shared_ptr<QorvCSContentPowerSource> {
        if (const auto& current = children())
            for (const auto& child : *current) {
                auto node = std::dynamic_pointer_cast<QorvCSContentPowerSource>(child);
                if (node && !taken.count(node.get()) && node->powerSource()
                    && node->powerSource()->uniqueID() == source.uniqueID())
                    return node;
            }
        return nullptr;
    };
    std::set<std::string> uniqueIDs;
    for (const auto& source : sources) {
        if (!source)
            continue;
        auto node = existingNode(*source);
        if (!node && sources.size() == 1)
            node = std::dynamic_pointer_cast<QorvCSContentPowerSource>(childWithUniqueID(singleSourceUniqueID));
        if (!node)
            node = QorvCSContentPowerSource::contentWithPowerSource(source);
        taken.insert(node.get());
        // A different device in the only place keeps the reader's choice but not the old device's name.
        node->setLabel(source->name());
        node->setPowerSource(source);
        std::string uniqueID(singleSourceUniqueID);
        if (sources.size() > 1) {
            uniqueID = qorv::format("%@-%@", singleSourceUniqueID, source->uniqueID());
            // Sources without a usable identity still need distinct sibling identifiers.
            for (int n = 2; uniqueIDs.count(uniqueID); ++n)
                uniqueID = qorv::format("%@-%@-%d", singleSourceUniqueID, source->uniqueID(), n);
        }
        uniqueIDs.insert(uniqueID);
        node->setUniqueID(std::move(uniqueID));
        list->push_back(std::move(node));
    }
    if (list->empty())
        list->push_back(searchingContent());
    return list;
}
