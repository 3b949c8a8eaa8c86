#include "QorvCSPrintInfo.h"

#include <algorithm>

namespace {

double number(const qorv::Value::Dictionary& d, std::string_view key)
{
    auto it = d.find(key);
    if (it == d.end())
        return 0;
    return it->second.asReal().value_or(0);
}

} // namespace

QorvCSPrintJob QorvCSMakePrintJob(const qorv::Value::Dictionary& shared, const qorv::Value::Dictionary& info)
{
    qorv::Value::Dictionary settings = shared;
    for (const auto& [key, value] : info)
        settings.insert_or_assign(key, value);

    QorvCSPrintJob job;
    job.paperWidth = number(settings, QorvCSPrintPaperWidth);
    job.paperHeight = number(settings, QorvCSPrintPaperHeight);
    const double x = number(settings, QorvCSPrintImageableX);
    const double y = number(settings, QorvCSPrintImageableY);
    const double w = number(settings, QorvCSPrintImageableWidth);
    const double h = number(settings, QorvCSPrintImageableHeight);

    // The unprintable borders, in single precision as the printing system reports them.
    const auto left = static_cast<float>(x);
    const auto right = static_cast<float>(job.paperWidth - (x + w));
    const auto bottom = static_cast<float>(y);
    const auto top = static_cast<float>(job.paperHeight - (y + h));
    const float horizontal = std::max(0.0f, std::max(left, right));
    const float vertical = std::max(0.0f, std::max(top, bottom));
    job.leftMargin = job.rightMargin = horizontal;
    job.topMargin = job.bottomMargin = vertical;
    job.verticallyCentered = false;

    auto flag = [&](std::string_view key) {
        auto it = settings.find(key);
        return it != settings.end() && it->second.asInteger().value_or(0) != 0;
    };
    job.horizontallyCentered = flag(QorvCSPrintHorizontallyCentered);
    if (auto it = settings.find(QorvCSPrintOrientation); it != settings.end())
        job.landscape = it->second.stringOr({}) == "landscape";
    if (auto it = settings.find(QorvCSPrintJobDisposition); it != settings.end())
        job.saveToFile = it->second.stringOr({}) == QorvCSPrintSaveJob;
    if (auto it = settings.find(QorvCSPrintJobSavingURL); it != settings.end()) {
        std::string url = it->second.stringOr({});
        if (url.rfind("file://", 0) == 0)
            url = url.substr(7);
        job.savingPath = url;
    }
    return job;
}

qorv::Value::Dictionary QorvCSDefaultPrintSettings(double paperWidth, double paperHeight)
{
    constexpr double border = 36; // half an inch
    return {
        { std::string(QorvCSPrintPaperWidth), paperWidth },
        { std::string(QorvCSPrintPaperHeight), paperHeight },
        { std::string(QorvCSPrintImageableX), border },
        { std::string(QorvCSPrintImageableY), border },
        { std::string(QorvCSPrintImageableWidth), paperWidth - 2 * border },
        { std::string(QorvCSPrintImageableHeight), paperHeight - 2 * border },
        { std::string(QorvCSPrintHorizontallyCentered), true },
        { std::string(QorvCSPrintJobDisposition), std::string(QorvCSPrintSpoolJob) },
    };
}
