#pragma once

#include "QorvCSContentPowerSource.h"
#include "QorvCSContentPowerSourceController.h"

#include <memory>

// The power sources group: one child per power source (internal batteries, UPSes, accessories), in the
// controller's order, or the placeholder when there are none.
class QorvCSContentPowerSourceGroup : public QorvCSContentPowerSourceController {
public:
    // Use powerSourceGroupWithPowerSourceController(), which also fills the children.
    explicit QorvCSContentPowerSourceGroup(const std::shared_ptr<QorvCSPowerSourceController>& aPowerSourceController);

    static std::shared_ptr<QorvCSContentPowerSourceGroup> powerSourceGroupWithPowerSourceController(
        std::shared_ptr<QorvCSPowerSourceController> aPowerSourceController);
    // Rejected: "QorvCSContentPowerSourceGroup does not suport initWith...".
    static std::shared_ptr<QorvCSContentPowerSourceGroup> contentWithUniqueID(
        std::string aUniqueID, std::string aLabel);

    std::string_view className() const override { return "QorvCSContentPowerSourceGroup"; }

    void updateChildrenWithPowerSourceController();
    // Each source keeps the node it had, found by its "Power Source ID", so every battery keeps its own
    // checkbox. A lone source's node has the unique ID "powerSource" (and is reused whatever its ID); with
    // several, each node's unique ID is "powerSource-<Power Source ID>".
    std::shared_ptr<Children> childrenWithPowerSources(const QorvCSPowerSourceController::Sources& sources);

    std::string observesPowerSourceKeyPath() const override { return "sources"; }
    void didObservePowerSourceController(const std::shared_ptr<QorvCSPowerSourceController>& controller) override;
};
