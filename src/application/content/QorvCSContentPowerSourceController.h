#pragma once

#include "QorvCSContent.h"
#include "QorvCSPowerSourceController.h"

#include <memory>
#include <string>
#include <string_view>

// The common part of the two power groups: it observes one key of the shared power source controller and makes
// the "searching" placeholder shown while the group has nothing else. Abstract: a subclass names the key and
// rebuilds its children when told.
class QorvCSContentPowerSourceController : public QorvCSContent {
public:
    ~QorvCSContentPowerSourceController() override;

    // The base initialiser is not supported: raises "QorvCSContentPowerSourceController does not suport
    // initWith...". Each group rejects it in the same words with its own name.
    static std::shared_ptr<QorvCSContentPowerSourceController> contentWithUniqueID(
        std::string aUniqueID, std::string aLabel);

    std::string_view className() const override { return "QorvCSContentPowerSourceController"; }
    // Also while the power sources are still being read for the first time (a UPS server, UPower), so a report
    // written without a window waits for them.
    bool isWaitingForData() const override
    {
        return (m_powerSourceController && m_powerSourceController->isAwaitingFirstReading())
            || QorvCSContent::isWaitingForData();
    }

    // Passes a change of the observed key of the held controller on; ignores every other observation.
    void observeValueForKeyPath(std::string_view keyPath, const qorv::Observable* object);
    // The key to observe. The base raises "Override <class>'s observesPowerSourceKeyPath method.".
    virtual std::string observesPowerSourceKeyPath() const;
    // Reacts to a change. The base raises "Override <class>'s didObservePowerSourceController: method.".
    virtual void didObservePowerSourceController(const std::shared_ptr<QorvCSPowerSourceController>& controller);

    const std::shared_ptr<QorvCSPowerSourceController>& powerSourceController() const
    {
        return m_powerSourceController;
    }
    // Stops observing the held controller, then observes the new one (no initial call).
    void setPowerSourceController(std::shared_ptr<QorvCSPowerSourceController> powerSourceController);

    // Made on first read: unique ID "<class>.searching.label", label its translation, never included.
    const std::shared_ptr<QorvCSContent>& searchingContent();
    void setSearchingContent(std::shared_ptr<QorvCSContent> searchingContent)
    {
        m_searchingContent = std::move(searchingContent);
    }

protected:
    // Checks the controller ("Invalid parameter not satisfying: aPowerSourceController") but does not hold it:
    // the subclass's constructor sets it, once the key to observe can be asked for.
    QorvCSContentPowerSourceController(std::string aUniqueID, std::string aLabel,
        const std::shared_ptr<QorvCSPowerSourceController>& aPowerSourceController);

    // Raises "<className> does not suport initWith...".
    [[noreturn]] static void rejectInitialiser(std::string_view className);

private:
    std::shared_ptr<QorvCSPowerSourceController> m_powerSourceController;
    std::string m_observedKeyPath; // the key the held controller is observed for
    std::shared_ptr<QorvCSContent> m_searchingContent;
};
