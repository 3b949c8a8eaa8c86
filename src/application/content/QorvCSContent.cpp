#include "QorvCSContent.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"
#include "foundation/NotificationCenter.h"

#include <iterator>

QorvCSContent::QorvCSContent(std::string aUniqueID, std::string aLabel)
{
    m_uniqueID = std::move(aUniqueID);
    setLabel(std::move(aLabel));
    m_include = true;
    m_canInclude = true;
}

QorvCSContent::~QorvCSContent()
{
    // Children that outlive this node must not keep a dangling parent.
    setChildren(nullptr);
}

std::shared_ptr<QorvCSContentRoot> QorvCSContent::rootContent()
{
    return std::make_shared<QorvCSContentRoot>(std::string(QorvCSContentRootUniqueID), std::string());
}

namespace {

// Marks the title that opens a child's items as that child's, so the window can find its section in the report.
void tagTitle(const QorvCSReportItemList& items, const QorvCSContent& child)
{
    if (items.empty())
        return;
    if (auto* title = dynamic_cast<QorvCSReportTitle*>(items.front().get()); title && title->sourceID().empty())
        title->setSourceID(child.uniqueID());
}

} // namespace

QorvCSReportItemList QorvCSContent::itemsForReport(QorvCSReport& report)
{
    QorvCSReportItemList items;
    if (m_children) {
        for (const auto& child : *m_children) {
            if (!child->include())
                continue;
            auto childItems = child->itemsForReport(report);
            tagTitle(childItems, *child);
            items.insert(
                items.end(), std::make_move_iterator(childItems.begin()), std::make_move_iterator(childItems.end()));
        }
    }
    if (items.empty())
        return items;
    items.insert(items.begin(), QorvCSReportSubSectionStart::item());
    items.push_back(QorvCSReportSubSectionEnd::item());
    items.insert(items.begin(), QorvCSReportTitle::titleWithText(localisedLabel()));
    return items;
}

QorvCSReportItemList QorvCSContentRoot::itemsForReport(QorvCSReport& report)
{
    QorvCSReportItemList items;
    if (const auto& list = children()) {
        for (const auto& child : *list) {
            if (!child->include())
                continue;
            auto childItems = child->itemsForReport(report);
            tagTitle(childItems, *child);
            items.insert(
                items.end(), std::make_move_iterator(childItems.begin()), std::make_move_iterator(childItems.end()));
        }
    }
    return items;
}

QorvCSContent* QorvCSContent::root()
{
    QorvCSContent* node = this;
    while (node->m_parent)
        node = node->m_parent;
    return node;
}

const std::shared_ptr<QorvCSContent::Children>& QorvCSContent::children()
{
    if (m_group && !m_children)
        m_children = std::make_shared<Children>();
    return m_children;
}

void QorvCSContent::setChildren(std::shared_ptr<Children> children)
{
    if (children == m_children)
        return;
    // Detach the old children before attaching the new ones, so a node in both lists keeps this parent.
    if (m_children)
        for (const auto& child : *m_children)
            if (child)
                child->setParent(nullptr);
    m_children = std::move(children);
    if (m_children)
        for (const auto& child : *m_children)
            if (child)
                child->setParent(this);
}

size_t QorvCSContent::numberOfChildren() const
{
    return m_children ? m_children->size() : 0;
}

std::shared_ptr<QorvCSContent> QorvCSContent::childAtIndex(long anIndex) const
{
    QorvParameterAssert(anIndex >= 0);
    QorvAssert(static_cast<size_t>(anIndex) < numberOfChildren(), "Child index out of bounds");
    return (*m_children)[static_cast<size_t>(anIndex)];
}

std::shared_ptr<QorvCSContent> QorvCSContent::childWithUniqueID(std::string_view aUniqueID) const
{
    if (!m_children)
        return nullptr;
    for (const auto& child : *m_children)
        if (child && child->uniqueID() == aUniqueID)
            return child;
    return nullptr;
}

void QorvCSContent::setLabel(std::string label)
{
    if (label == m_label)
        return;
    m_localisedLabel.reset();
    m_providerLabel.reset();
    m_label = std::move(label);
}

const std::shared_ptr<const std::string>& QorvCSContent::providerLabel()
{
    if (!m_providerLabel)
        m_providerLabel = std::make_shared<const std::string>(m_label);
    return m_providerLabel;
}

const std::string& QorvCSContent::localisedLabel()
{
    if (!m_localisedLabel)
        m_localisedLabel = localise(m_label);
    return *m_localisedLabel;
}

std::string QorvCSContent::localise(std::string_view text) const
{
    // "<class>.<text>", then the text alone. This runs for every table row of every rendering, so the key is
    // built in a reused buffer and only the answer is copied.
    thread_local std::string key;
    key.assign(className()).append(".").append(text);
    const auto& bundle = qorv::Bundle::main();
    const std::string* translated = bundle.findLocalizedString(key);
    if (!translated || *translated == key) // an entry that names itself does not translate
        translated = bundle.findLocalizedString(text);
    return translated ? *translated : std::string(text);
}

void QorvCSContent::postDidChangeNotification()
{
    std::map<std::string, std::any, std::less<>> userInfo;
    // A node that is not (yet) held by a shared pointer cannot be handed out; its change is still announced.
    if (auto self = weak_from_this().lock())
        userInfo.emplace(std::string(QorvCSContentNotificationKeyContent), self);
    qorv::NotificationCenter::defaultCenter().post(
        std::string(QorvCSContentNotificationDidUpdate), root(), std::move(userInfo));
}

bool QorvCSContent::isWaitingForData() const
{
    if (m_children)
        for (const auto& child : *m_children)
            if (child && child->isWaitingForData())
                return true;
    return false;
}

qorv::Value QorvCSContent::debug()
{
    qorv::Value::Dictionary values;
    auto yesNo = [](bool b) { return qorv::Value(b ? "Yes" : "No"); };
    values["class"] = className();
    values["uniqueID"] = uniqueID();
    values["include"] = yesNo(include());
    values["canInclude"] = yesNo(canInclude());
    values["group"] = yesNo(group());
    values["label"] = label();
    values["localisedLabel"] = localisedLabel();
    insertDebugValues(values);
    qorv::Value::Array children;
    if (m_children)
        for (const auto& child : *m_children)
            children.push_back(child->debug());
    values["children"] = std::move(children);
    return qorv::Value(std::move(values));
}

void QorvCSContent::insertDebugValues(qorv::Value::Dictionary&)
{ }

std::string QorvCSContent::description() const
{
    std::string children = "(null)";
    if (m_children) {
        children = "(";
        for (size_t i = 0; i < m_children->size(); ++i)
            children += (i ? ", " : "") + (*m_children)[i]->description();
        children += ")";
    }
    return qorv::format("%@ (%p) <UID='%@',Label='%@',Children=%@>", className(), static_cast<const void*>(this),
        uniqueID(), label(), children);
}

const qorv::Image& QorvCSContent::image()
{
    return m_image;
}

qorv::Value QorvCSContent::valueForKey(std::string_view key)
{
    if (key == "localisedLabel")
        return localisedLabel();
    if (key == "label")
        return label();
    if (key == "include")
        return include();
    if (key == "canInclude")
        return canInclude();
    if (key == "uniqueID")
        return uniqueID();
    return {};
}

void QorvCSContent::setValueForKey(std::string_view key, const qorv::Value& value)
{
    if (key == "include") {
        if (auto i = value.asInteger())
            setInclude(*i != 0);
    } else if (key == "label") {
        if (auto s = value.asString())
            setLabel(*s);
    }
}
