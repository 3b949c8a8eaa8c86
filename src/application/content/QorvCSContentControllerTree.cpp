// QorvCSContentController: the fixed top of the content tree.
#include "QorvCSContentComputerGroup.h"
#include "QorvCSContentController.h"
#include "QorvCSContentPowerAdapterGroup.h"
#include "QorvCSContentPowerSourceGroup.h"

void QorvCSContentController::buildTree()
{
    auto newRoot = QorvCSContent::rootContent();
    setRoot(newRoot);
    auto groups = std::make_shared<QorvCSContent::Children>();
    groups->push_back(QorvCSContentComputerGroup::computerContentGroup());
    // The two power groups share one controller.
    auto powerSourceController = std::make_shared<QorvCSPowerSourceController>();
    groups->push_back(QorvCSContentPowerSourceGroup::powerSourceGroupWithPowerSourceController(powerSourceController));
    groups->push_back(
        QorvCSContentPowerAdapterGroup::powerAdapterGroupWithPowerSourceController(powerSourceController));
    newRoot->setChildren(groups);
}
