#pragma once

#include "QorvCSContentPowerSource.h"
#include "QorvCSContentPowerSourceController.h"

#include <memory>

// The power adapter group: one child for the connected external adapter, or the placeholder when there is none.
class QorvCSContentPowerAdapterGroup : public QorvCSContentPowerSourceController {
public:
    // Use powerAdapterGroupWithPowerSourceController(), which also fills the children.
    explicit QorvCSContentPowerAdapterGroup(const std::shared_ptr<QorvCSPowerSourceController>& aPowerSourceController);

    static std::shared_ptr<QorvCSContentPowerAdapterGroup> powerAdapterGroupWithPowerSourceController(
        std::shared_ptr<QorvCSPowerSourceController> aPowerSourceController);
    // Rejected: "QorvCSContentPowerAdapterGroup does not suport initWith...".
    static std::shared_ptr<QorvCSContentPowerAdapterGroup> contentWithUniqueID(
        std::string aUniqueID, std::string aLabel);

    std::string_view className() const override { return "QorvCSContentPowerAdapterGroup"; }

    void updateChildrenWithPowerSourceController();
    // The adapter's node keeps the unique ID "powerAdaptor" and the label it was made with; a new node gets the
    // "power-adapter" image.
    std::shared_ptr<Children> childrenWithPowerAdapter(const std::shared_ptr<QorvCSPowerSource>& powerAdapter);

    std::string observesPowerSourceKeyPath() const override { return "powerAdapter"; }
    void didObservePowerSourceController(const std::shared_ptr<QorvCSPowerSourceController>& controller) override;
};
