#include "QorvCSContentPowerSourceController.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

QorvCSContentPowerSourceController::QorvCSContentPowerSourceController(std::string aUniqueID, std::string aLabel,
    const std::shared_ptr<QorvCSPowerSourceController>& aPowerSourceController)
    : QorvCSContent(std::move(aUniqueID), std::move(aLabel))
{
    QorvParameterAssert(aPowerSourceController);
}

QorvCSContentPowerSourceController::~QorvCSContentPowerSourceController()
{
    setPowerSourceController(nullptr);
    setSearchingContent(nullptr);
}

void QorvCSContentPowerSourceController::rejectInitialiser(std::string_view className)
{
    qorv::raiseAssertion(qorv::format("%@ does not suport initWith...", className));
}

std::shared_ptr<QorvCSContentPowerSourceController> QorvCSContentPowerSourceController::contentWithUniqueID(
    std::string, std::string)
{
    rejectInitialiser("QorvCSContentPowerSourceController");
}

void QorvCSContentPowerSourceController::observeValueForKeyPath(
    std::string_view keyPath, const qorv::Observable* object)
{
    if (m_powerSourceController && object == m_powerSourceController.get() && keyPath == observesPowerSourceKeyPath())
        didObservePowerSourceController(m_powerSourceController);
}

std::string QorvCSContentPowerSourceController::observesPowerSourceKeyPath() const
{
    qorv::raiseAssertion(qorv::format("Override %@'s observesPowerSourceKeyPath method.", className()));
}

void QorvCSContentPowerSourceController::didObservePowerSourceController(
    const std::shared_ptr<QorvCSPowerSourceController>&)
{
    qorv::raiseAssertion(qorv::format("Override %@'s didObservePowerSourceController: method.", className()));
}

void QorvCSContentPowerSourceController::setPowerSourceController(
    std::shared_ptr<QorvCSPowerSourceController> powerSourceController)
{
    if (powerSourceController == m_powerSourceController)
        return;
    // Removal uses the key registered with, so no virtual call is needed while the object is being destroyed.
    if (m_powerSourceController)
        m_powerSourceController->removeObserver(this, m_observedKeyPath);
    m_powerSourceController.reset();
    m_observedKeyPath.clear();
    if (!powerSourceController)
        return;
    m_observedKeyPath = observesPowerSourceKeyPath();
    m_powerSourceController = std::move(powerSourceController);
    m_powerSourceController->addObserver(this, m_observedKeyPath,
        [this](std::string_view keyPath, const qorv::Observable* object) { observeValueForKeyPath(keyPath, object); });
}

const std::shared_ptr<QorvCSContent>& QorvCSContentPowerSourceController::searchingContent()
{
    if (!m_searchingContent) {
        const std::string key = qorv::format("%@.searching.label", className());
        auto placeholder = QorvCSContent::contentWithUniqueID(key, qorv::Bundle::main().localizedString(key));
        placeholder->setCanInclude(false);
        placeholder->setInclude(false);
        setSearchingContent(std::move(placeholder));
    }
    return m_searchingContent;
}
