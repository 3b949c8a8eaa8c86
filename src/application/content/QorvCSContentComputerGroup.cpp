#include "QorvCSContentComputerGroup.h"
#include "QorvCSContentSystemProfileDataType.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <map>

namespace {

constexpr std::string_view labelKey = "QorvCSContentComputerGroup.label";
constexpr std::string_view observedKey = "dataTypes";

// Stands in for the inventory once the run has ended without one: not tickable, but in the report, so the reader
// learns why the computer's section is empty instead of being told to tick one.
class UnavailableNotice : public QorvCSContent {
public:
    using QorvCSContent::QorvCSContent;
    QorvCSReportItemList itemsForReport(QorvCSReport&) override
    {
        return { QorvCSReportTitle::titleWithText(localisedLabel()) };
    }
};

} // namespace

QorvCSContentComputerGroup::QorvCSContentComputerGroup()
    : QorvCSContent(
        std::string(QorvCSContentComputerGroupUniqueID), qorv::Bundle::main().localizedString(labelKey, labelKey))
{
    setGroup(true);
}

QorvCSContentComputerGroup::QorvCSContentComputerGroup(std::string aUniqueID, std::string aLabel)
    : QorvCSContent(std::move(aUniqueID), std::move(aLabel))
{
    qorv::raiseAssertion(qorv::format("%@ does not suport initWith...", className()));
}

QorvCSContentComputerGroup::~QorvCSContentComputerGroup()
{
    setSystemProfiler(nullptr);
    setSearchingContent(nullptr);
    m_unavailableContent.reset();
}

std::shared_ptr<QorvCSContentComputerGroup> QorvCSContentComputerGroup::computerContentGroup()
{
    // Made first and filled afterwards, so the change it announces can name the group.
    auto group = std::make_shared<QorvCSContentComputerGroup>();
    group->updateChildrenWithSystemProfiler();
    return group;
}

std::shared_ptr<QorvCSContentComputerGroup> QorvCSContentComputerGroup::contentWithUniqueID(
    std::string aUniqueID, std::string aLabel)
{
    return std::make_shared<QorvCSContentComputerGroup>(std::move(aUniqueID), std::move(aLabel));
}

void QorvCSContentComputerGroup::updateChildrenWithSystemProfiler()
{
    const auto& dataTypes = systemProfiler()->dataTypes();
    setChildren(childrenWithDataTypes(dataTypes.get()));
    postDidChangeNotification();
}

std::shared_ptr<QorvCSContent::Children> QorvCSContentComputerGroup::childrenWithDataTypes(
    const QorvCSSystemProfilerController::DataTypes* dataTypes)
{
    auto list = std::make_shared<Children>();
    // The n-th data type with a given identifier takes the n-th current node with it, so a repeated identifier
    // (several data types "Untitled") never puts one node in the list twice.
    std::map<std::string, size_t, std::less<>> seen;
    auto existingNode = [this](std::string_view uniqueID, size_t occurrence) -> std::shared_ptr<QorvCSContent> {
        if (occurrence == 0)
            return childWithUniqueID(uniqueID);
        if (const auto& current = children())
            for (const auto& child : *current)
                if (child && child->uniqueID() == uniqueID && occurrence-- == 0)
                    return child;
        return nullptr;
    };
    if (dataTypes) {
        for (const auto& dataType : *dataTypes) {
            if (!dataType)
                continue;
            const std::string identifier = dataType->dataType();
            auto node = std::dynamic_pointer_cast<QorvCSContentSystemProfileDataType>(
                existingNode(identifier, seen[identifier]++));
            if (!node)
                node = QorvCSContentSystemProfileDataType::contentWithDataType(dataType);
            node->setDataType(dataType);
            list->push_back(std::move(node));
        }
    }
    if (list->empty())
        list->push_back(systemProfiler()->isFinished() ? unavailableContent() : searchingContent());
    return list;
}

void QorvCSContentComputerGroup::observeValueForKeyPath(std::string_view, const qorv::Observable*)
{
    updateChildrenWithSystemProfiler();
}

const std::shared_ptr<QorvCSSystemProfilerController>& QorvCSContentComputerGroup::systemProfiler()
{
    if (!m_systemProfiler)
        setSystemProfiler(std::make_shared<QorvCSSystemProfilerController>());
    return m_systemProfiler;
}

void QorvCSContentComputerGroup::setSystemProfiler(std::shared_ptr<QorvCSSystemProfilerController> systemProfiler)
{
    if (systemProfiler == m_systemProfiler)
        return;
    if (m_systemProfiler)
        m_systemProfiler->removeObserver(this, observedKey);
    m_systemProfiler = std::move(systemProfiler);
    if (m_systemProfiler)
        m_systemProfiler->addObserver(
            this, std::string(observedKey), [this](std::string_view keyPath, const qorv::Observable* object) {
                observeValueForKeyPath(keyPath, object);
            });
}

const std::shared_ptr<QorvCSContent>& QorvCSContentComputerGroup::searchingContent()
{
    if (!m_searchingContent) {
        const std::string key = qorv::format("%@.searching.label", className());
        auto placeholder = QorvCSContent::contentWithUniqueID(key, qorv::Bundle::main().localizedString(key, ""));
        placeholder->setCanInclude(false);
        placeholder->setInclude(false);
        m_searchingContent = std::move(placeholder);
    }
    return m_searchingContent;
}

const std::shared_ptr<QorvCSContent>& QorvCSContentComputerGroup::unavailableContent()
{
    if (!m_unavailableContent) {
        const std::string key = qorv::format("%@.unavailable.label", className());
        auto notice = std::make_shared<UnavailableNotice>(key, qorv::Bundle::main().localizedString(key, ""));
        notice->setCanInclude(false);
        m_unavailableContent = std::move(notice);
    }
    return m_unavailableContent;
}
