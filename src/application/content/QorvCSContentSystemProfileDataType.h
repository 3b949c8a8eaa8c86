#pragma once

#include "QorvCSContent.h"
#include "QorvCSSystemProfilerDataType.h"

#include <memory>
#include <string>
#include <string_view>

// The identifier of the data type that shows the operating system's own icon.
inline constexpr std::string_view QorvCSContentSystemProfileDataTypeSoftware = "SPSoftwareDataType";
// Suffixes of the table's summary and caption keys, joined to the label with "%@.%@".
inline constexpr std::string_view QorvCSContentSystemProfileDataTypeSummary = "summary";
inline constexpr std::string_view QorvCSContentSystemProfileDataTypeCaption = "caption";

// The section of one system profiler data type: its name in the sidebar, its properties as a table in the
// report. Names and values go through the localisation table; text it does not know is shown with spaces for
// underscores. The unique ID is the data type's identifier and the label its name, both fixed at creation.
class QorvCSContentSystemProfileDataType : public QorvCSContent {
public:
    using DataTypePointer = std::shared_ptr<const QorvCSSystemProfilerDataType>;

    explicit QorvCSContentSystemProfileDataType(DataTypePointer aDataType);
    ~QorvCSContentSystemProfileDataType() override;

    static std::shared_ptr<QorvCSContentSystemProfileDataType> contentWithDataType(DataTypePointer aDataType)
    {
        return std::make_shared<QorvCSContentSystemProfileDataType>(std::move(aDataType));
    }

    std::string_view className() const override { return "QorvCSContentSystemProfileDataType"; }

    // A title and a table of the properties in presentation order; nothing when there are no properties.
    QorvCSReportItemList itemsForReport(QorvCSReport& report) override;
    std::string localise(std::string_view text) const override;
    // Chosen on first use: the operating system's logo for "SPSoftwareDataType", a computer for the rest.
    const qorv::Image& image() override;
    void insertDebugValues(qorv::Value::Dictionary& values) override;

    const DataTypePointer& dataType() const { return m_dataType; }
    void setDataType(DataTypePointer dataType) { m_dataType = std::move(dataType); }

    // The icon-theme name of the distribution's logo: LOGO= of os-release (the file at path, or /etc/os-release
    // and then /usr/lib/os-release); empty when there is none.
    static std::string operatingSystemLogoName(const std::string& path = {});

private:
    DataTypePointer m_dataType;
};
