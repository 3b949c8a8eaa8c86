#include "QorvCSReportCupelController.h"

#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include <algorithm>

const QorvCSReportCupelController::Cupels& QorvCSReportCupelController::cupels()
{
    if (!m_cupels) {
        auto paths = qorv::Bundle::main().pathsForResources("plist", "QorvCSReportCupel");
        std::sort(paths.begin(), paths.end(), std::greater<>());
        Cupels loaded;
        for (const auto& path : paths) {
            auto read = qorv::PropertyList::readFile(path, qorv::Value::Type::Dictionary);
            loaded.push_back(QorvCSReportCupel::cupelWithFields(std::move(read.value)));
        }
        setCupels(std::move(loaded));
    }
    return *m_cupels;
}

qorv::Value::Dictionary QorvCSReportCupelController::transform(const qorv::Value::Dictionary& aSourceDictionary)
{
    qorv::Value::Dictionary record = aSourceDictionary;
    for (const auto& cupel : cupels())
        cupel->transform(record);
    return record;
}
