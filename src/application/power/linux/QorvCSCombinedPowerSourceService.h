#pragma once

#include "QorvCSPowerSourceProvider.h"
#include "QorvCSPowerSourceService.h"
#include "linux/QorvCSLinuxPowerSourceService.h"

#include <memory>
#include <vector>

// The system's power sources on Linux: the kernel's power_supply class first, then what each other provider (UPS
// servers, the desktop's power daemon) knows beyond it. The adapter is the kernel's alone. The change source
// follows the kernel and every provider, so the bridge still sees one list and one notice.
class QorvCSCombinedPowerSourceService : public QorvCSPowerSourceService,
                                         public std::enable_shared_from_this<QorvCSCombinedPowerSourceService> {
public:
    QorvCSCombinedPowerSourceService(std::shared_ptr<QorvCSLinuxPowerSourceService> kernel,
        std::vector<std::shared_ptr<QorvCSPowerSourceProvider>> providers);

    qorv::Value::Array copyPowerSourceDescriptions() override;
    qorv::Value copyExternalPowerAdapterDetails() override;
    Descriptions copyDescriptions() override;
    bool isAwaitingFirstReading() const override;
    std::shared_ptr<QorvCSPowerSourceChangeSource> createChangeSource(
        QorvCSPowerSourceChangeSource::Callback callback, void* context) override;

    const std::shared_ptr<QorvCSLinuxPowerSourceService>& kernel() const { return m_kernel; }
    const std::vector<std::shared_ptr<QorvCSPowerSourceProvider>>& providers() const { return m_providers; }

private:
    std::shared_ptr<QorvCSLinuxPowerSourceService> m_kernel;
    std::vector<std::shared_ptr<QorvCSPowerSourceProvider>> m_providers;
};
