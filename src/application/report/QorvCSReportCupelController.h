#pragma once

#include "QorvCSReportCupel.h"

#include <memory>
#include <optional>
#include <vector>

// Every rule file of the rule folder "QorvCSReportCupel", applied in descending order of path to each table row.
class QorvCSReportCupelController {
public:
    using Cupels = std::vector<std::shared_ptr<QorvCSReportCupel>>;

    QorvCSReportCupelController() = default;
    virtual ~QorvCSReportCupelController() = default;
    static std::shared_ptr<QorvCSReportCupelController> cupelController()
    {
        return std::make_shared<QorvCSReportCupelController>();
    }
    virtual std::string_view className() const { return "QorvCSReportCupelController"; }

    // Loaded on first read, then kept.
    const Cupels& cupels();
    void setCupels(Cupels cupels) { m_cupels = std::move(cupels); }

    // A copy of the record after every rule has been applied to it in order; the argument is not changed.
    qorv::Value::Dictionary transform(const qorv::Value::Dictionary& aSourceDictionary);

private:
    std::optional<Cupels> m_cupels;
};
