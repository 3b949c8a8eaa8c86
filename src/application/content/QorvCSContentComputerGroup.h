#pragma once

#include "QorvCSContent.h"
#include "QorvCSSystemProfilerController.h"

#include <memory>
#include <string>
#include <string_view>

// The computer as the system profiler describes it: the first group under the root, with one child per data
// type, or a "searching" placeholder (excluded from the report) while the run goes on, or an "unavailable" notice
// (not tickable, shown in the report) when it ended without data types. It owns the profiler
// controller and rebuilds its children whenever the controller publishes; a data type's node is kept across
// rebuilds by its identifier, so the user's checkbox survives.
class QorvCSContentComputerGroup : public QorvCSContent {
public:
    // Use computerContentGroup(), which also starts the profiler and fills the children.
    QorvCSContentComputerGroup();
    // The base initialiser is not supported: raises "<class> does not suport initWith...".
    QorvCSContentComputerGroup(std::string aUniqueID, std::string aLabel);
    ~QorvCSContentComputerGroup() override;

    static std::shared_ptr<QorvCSContentComputerGroup> computerContentGroup();
    // Rejected like the base initialiser.
    static std::shared_ptr<QorvCSContentComputerGroup> contentWithUniqueID(std::string aUniqueID, std::string aLabel);

    std::string_view className() const override { return "QorvCSContentComputerGroup"; }
    // The inventory is still coming while the profiler run has neither published nor failed.
    bool isWaitingForData() const override { return m_systemProfiler && !m_systemProfiler->isFinished(); }

    void updateChildrenWithSystemProfiler();
    std::shared_ptr<Children> childrenWithDataTypes(const QorvCSSystemProfilerController::DataTypes* dataTypes);
    void observeValueForKeyPath(std::string_view keyPath, const qorv::Observable* object);

    // Created (and its run started) on first read.
    const std::shared_ptr<QorvCSSystemProfilerController>& systemProfiler();
    void setSystemProfiler(std::shared_ptr<QorvCSSystemProfilerController> systemProfiler);

    // The placeholder: unique ID and label key "QorvCSContentComputerGroup.searching.label", never included.
    const std::shared_ptr<QorvCSContent>& searchingContent();
    void setSearchingContent(std::shared_ptr<QorvCSContent> searchingContent)
    {
        m_searchingContent = std::move(searchingContent);
    }

    // The notice after a failed or empty run: unique ID and label key "QorvCSContentComputerGroup.unavailable.label".
    const std::shared_ptr<QorvCSContent>& unavailableContent();

private:
    std::shared_ptr<QorvCSSystemProfilerController> m_systemProfiler;
    std::shared_ptr<QorvCSContent> m_searchingContent;
    std::shared_ptr<QorvCSContent> m_unavailableContent;
};
