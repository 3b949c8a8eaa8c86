// QorvCSContentController: the fixed top of the content tree.
#include "QorvCSContentComputerGroup.h"
#include "QorvCSContentController.h"

void QorvCSContentController::buildTree()
{
    auto newRoot = QorvCSContent::rootContent();
    setRoot(newRoot);
    auto groups = std::make_shared<QorvCSContent::Children>();
    groups->push_back(QorvCSContentComputerGroup::computerContentGroup());
    newRoot->setChildren(groups);
}
