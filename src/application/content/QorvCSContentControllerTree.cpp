// QorvCSContentController: the fixed top of the content tree.
#include "QorvCSContentController.h"

void QorvCSContentController::buildTree()
{
    auto newRoot = QorvCSContent::rootContent();
    setRoot(newRoot);
    auto groups = std::make_shared<QorvCSContent::Children>();
    newRoot->setChildren(groups);
}
