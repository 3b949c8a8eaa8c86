#pragma once

#include "QorvCSContent.h"
#include "QorvCSPowerSource.h"

#include <memory>
#include <string_view>

// One power source (or the adapter) in the sidebar and the report: a title and a two-column table listing every
// entry of its raw description, the reader's facts (state, charge, time, health) first, the rest by key and the
// program's identifiers last.
class QorvCSContentPowerSource : public QorvCSContent {
public:
    // Unique ID: the power source's uniqueID as text; label: its name (a group gives a reused node the new name).
    // A null source fails "Invalid parameter not satisfying: aPowerSource".
    explicit QorvCSContentPowerSource(std::shared_ptr<QorvCSPowerSource> aPowerSource);
    ~QorvCSContentPowerSource() override;

    static std::shared_ptr<QorvCSContentPowerSource> contentWithPowerSource(
        std::shared_ptr<QorvCSPowerSource> aPowerSource);

    std::string_view className() const override { return "QorvCSContentPowerSource"; }

    // The stored image; a node without one gets the "power-source" resource on first read.
    const qorv::Image& image() override;
    QorvCSReportItemList itemsForReport(QorvCSReport& report) override;
    // Adds the raw description under "powerSource".
    void insertDebugValues(qorv::Value::Dictionary& values) override;

    const std::shared_ptr<QorvCSPowerSource>& powerSource() const { return m_powerSource; }
    void setPowerSource(std::shared_ptr<QorvCSPowerSource> powerSource) { m_powerSource = std::move(powerSource); }

    // The image resource "<name>.svg" (or ".png"). A missing file fails "<className> missing image resource.",
    // one that is not a readable SVG or PNG "<className> malformed image resource.".
    static qorv::Image imageResource(std::string_view name, std::string_view className);

private:
    std::shared_ptr<QorvCSPowerSource> m_powerSource;
};
