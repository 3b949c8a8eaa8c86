#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

class QorvCSContent;

// Remembers which sections the user left out of the report, by the node's unique identifier. A section seen for
// the first time (at launch, or when its device or inventory arrives) takes the remembered choice; after that the
// node's own tick is the choice. A device replaced by another has another identifier, so it starts ticked.
class QorvCSIncludeMemory {
public:
    QorvCSIncludeMemory() = default;
    explicit QorvCSIncludeMemory(std::set<std::string> unticked)
        : m_unticked(std::move(unticked))
    { }

    // Walks the tree below root: includable nodes not met before (by identifier and by object) take the remembered
    // choice, known ones record theirs. Returns whether a node was changed.
    bool apply(QorvCSContent& root);
    const std::set<std::string>& unticked() const { return m_unticked; }

private:
    bool visit(const std::shared_ptr<QorvCSContent>& node);

    std::set<std::string> m_unticked;
    std::map<std::string, std::weak_ptr<QorvCSContent>> m_seen; // the node last met under each identifier
};
