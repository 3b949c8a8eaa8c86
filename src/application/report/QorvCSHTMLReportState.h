#pragma once

#include <cstdint>
#include <memory>

class QorvCSReportCupelController;

// The state of one rendering: heading level, a running item index that makes ids unique, and the rule set.
class QorvCSHTMLReportState {
public:
    QorvCSHTMLReportState() = default;
    static std::shared_ptr<QorvCSHTMLReportState> state() { return std::make_shared<QorvCSHTMLReportState>(); }

    void incrementItemIndex() { setItemIndex(itemIndex() + 1); }
    void incrementHeadingLevel() { setHeadingLevel(headingLevel() + 1); }
    void decrementHeadingLevel() { setHeadingLevel(headingLevel() - 1); }

    int64_t headingLevel() const { return m_headingLevel; }
    void setHeadingLevel(int64_t level) { m_headingLevel = level; }
    uint64_t itemIndex() const { return m_itemIndex; }
    void setItemIndex(uint64_t index) { m_itemIndex = index; }

    // Created on first read; lives as long as this state.
    const std::shared_ptr<QorvCSReportCupelController>& cupels();
    void setCupels(std::shared_ptr<QorvCSReportCupelController> cupels) { m_cupels = std::move(cupels); }
    bool hasCupels() const { return m_cupels != nullptr; }

private:
    int64_t m_headingLevel = 1;
    uint64_t m_itemIndex = 1;
    std::shared_ptr<QorvCSReportCupelController> m_cupels;
};
