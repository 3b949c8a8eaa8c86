#include "QorvFeedbackAttachments.h"

#include "foundation/Format.h"

#include <cstdio>

std::vector<QorvFeedbackAttachment> QorvFeedbackAttachments::attachmentsInFields(
    const QorvFeedbackFields& fields, const std::function<std::string(std::string_view field)>& title)
{
    std::vector<QorvFeedbackAttachment> attachments;
    for (const auto& [name, value] : fields) {
        if (!name.starts_with("file-") && std::holds_alternative<std::string>(value))
            continue;
        std::string shown = title ? title(name) : std::string();
        attachments.push_back(
            { name, shown.empty() ? name : std::move(shown), QorvFeedbackControllerUpload::contentsOfField(value) });
    }
    return attachments;
}

std::string QorvFeedbackAttachments::formattedSize(std::uint64_t bytes)
{
    if (bytes == 1)
        return "1 byte";
    if (bytes < 1000)
        return qorv::format("%d bytes", static_cast<unsigned long long>(bytes));
    static const char* const units[] = { "kB", "MB", "GB", "TB" };
    double size = static_cast<double>(bytes) / 1000.0;
    size_t unit = 0;
    // 999.96 kB would print as "1000.0 kB": such a size moves up a unit.
    while (size >= 999.95 && unit + 1 < std::size(units)) {
        size /= 1000.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", size, units[unit]);
    return text;
}
