#include "QorvCSIncludeMemory.h"

#include "QorvCSContent.h"

bool QorvCSIncludeMemory::apply(QorvCSContent& root)
{
    bool changed = false;
    for (size_t i = 0; i < root.numberOfChildren(); ++i)
        if (const auto child = root.childAtIndex(long(i)))
            changed = visit(child) || changed;
    return changed;
}

bool QorvCSIncludeMemory::visit(const std::shared_ptr<QorvCSContent>& node)
{
    bool changed = false;
    // Placeholders and notices cannot be ticked: they neither take nor give a choice, and the real section that
    // replaces one under the same identifier is still new.
    if (node->canInclude() && !node->uniqueID().empty()) {
        const std::string& id = node->uniqueID();
        auto& seen = m_seen[id];
        if (seen.lock() != node) {
            // A node made anew (a device back, the tree rebuilt) starts ticked: the user's choice stands instead.
            seen = node;
            const bool include = !m_unticked.count(id);
            changed = include != node->include();
            node->setInclude(include);
        } else if (node->include()) {
            m_unticked.erase(id);
        } else {
            m_unticked.insert(id);
        }
    }
    for (size_t i = 0; i < node->numberOfChildren(); ++i)
        if (const auto child = node->childAtIndex(long(i)))
            changed = visit(child) || changed;
    return changed;
}
