#include "QorvCSContentController.h"

#include "foundation/RunLoop.h"

#include <algorithm>
#include <cctype>

QorvCSContentController::~QorvCSContentController()
{
    setRoot(nullptr);
}

void QorvCSContentController::rootDidNotify(const qorv::Notification& notification)
{
    if (notification.name != QorvCSContentNotificationDidUpdate)
        return;
    std::map<std::string, std::any, std::less<>> userInfo;
    if (auto it = notification.userInfo.find(QorvCSContentNotificationKeyContent); it != notification.userInfo.end())
        userInfo.emplace(std::string(QorvCSContentControllerNotificationKeyContent), it->second);
    qorv::NotificationCenter::defaultCenter().post(
        std::string(QorvCSContentControllerNotificationDidUpdate), this, std::move(userInfo));
}

size_t QorvCSContentController::numberOfChildrenOfItem(QorvCSContent* item)
{
    return (item ? item : root().get())->numberOfChildren();
}

bool QorvCSContentController::isItemExpandable(QorvCSContent* item)
{
    return (item ? item : root().get())->isExpandable();
}

std::shared_ptr<QorvCSContent> QorvCSContentController::child(long index, QorvCSContent* item)
{
    return (item ? item : root().get())->childAtIndex(index);
}

qorv::Value QorvCSContentController::objectValueForTableColumn(const QorvCSOutlineColumn* column, QorvCSContent* item)
{
    QorvCSContent* node = item ? item : root().get();
    if (column && column->identifier.empty())
        return {};
    qorv::Value value = node->valueForKey(column ? std::string_view(column->identifier) : std::string_view("label"));
    if (node->isGroup() && value.isString()) {
        std::string upper = *value.asString();
        // Plain ASCII upper-casing keeps multi-byte UTF-8 intact; the shell upper-cases for display with its locale.
        std::transform(upper.begin(), upper.end(), upper.begin(),
            [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return upper;
    }
    return value;
}

void QorvCSContentController::setObjectValue(
    const qorv::Value& value, const QorvCSOutlineColumn* column, QorvCSContent* item)
{
    if (!column || column->identifier.empty())
        return;
    QorvCSContent* node = item ? item : root().get();
    node->setValueForKey(column->identifier, value);
    // The sidebar finishes handling the click before the tree announces the change.
    std::weak_ptr<QorvCSContent> weakRoot = root();
    qorv::RunLoop::main().perform([weakRoot] {
        if (auto r = weakRoot.lock())
            r->postDidChangeNotification();
    });
}

QorvCSReportItemList QorvCSContentController::itemsForReport(QorvCSReport& report)
{
    return root()->itemsForReport(report);
}

const std::shared_ptr<QorvCSContent>& QorvCSContentController::root()
{
    if (!m_root)
        buildTree();
    return m_root;
}

void QorvCSContentController::setRoot(std::shared_ptr<QorvCSContent> root)
{
    if (root == m_root)
        return;
    auto& center = qorv::NotificationCenter::defaultCenter();
    if (m_root)
        center.removeObserver(this, std::nullopt, m_root.get());
    m_root = std::move(root);
    if (m_root)
        center.addObserver(
            this, [this](const qorv::Notification& n) { rootDidNotify(n); }, std::nullopt, m_root.get());
}
