#include "QorvCSWindowSettings.h"

#include "QorvCSPrintInfo.h"
#include "QorvCSUPSServerAddress.h"

#include "foundation/Format.h"
#include "foundation/Log.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace {

constexpr std::string_view versionKey = "version";
constexpr std::string_view geometryKey = "window/geometry";
constexpr std::string_view stateKey = "window/state";
constexpr std::string_view sidebarWidthKey = "window/sidebarWidth";
constexpr std::string_view untickedKey = "sidebar/unticked";
constexpr std::string_view saveFolderKey = "export/folder";
constexpr std::string_view upsServersKey = "power/upsServers";
constexpr std::string_view paperWidthKey = "pageSetup/paperWidth";
constexpr std::string_view paperHeightKey = "pageSetup/paperHeight";
constexpr std::string_view orientationKey = "pageSetup/orientation";
constexpr std::string_view leftKey = "pageSetup/left";
constexpr std::string_view rightKey = "pageSetup/right";
constexpr std::string_view topKey = "pageSetup/top";
constexpr std::string_view bottomKey = "pageSetup/bottom";

// A record from the window system is a few hundred bytes; anything much larger is not one.
constexpr size_t maximumRecordLength = 16 * 1024;
// Paper from a business card to a large plotter roll, in points.
constexpr double minimumPaper = 72;
constexpr double maximumPaper = 14400;

bool isBase64(const std::string& text)
{
    if (text.empty() || text.size() > maximumRecordLength || text.size() % 4 != 0)
        return false;
    const size_t padding = text.size() - text.find_last_not_of('=') - 1;
    if (padding > 2)
        return false;
    for (size_t i = 0; i < text.size() - padding; ++i) {
        const char c = text[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/'))
            return false;
    }
    return true;
}

std::optional<double> number(const std::optional<std::string>& text)
{
    if (!text || text->empty())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string text(double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string joined(const std::vector<std::string_view>& keys)
{
    std::string out;
    for (const auto key : keys)
        out += (out.empty() ? "" : ", ") + std::string(key);
    return out;
}

} // namespace

QorvCSRememberedWindow QorvCSWindowSettings::load() const
{
    QorvCSRememberedWindow window;
    if (!m_store.isReadable()) {
        qorv::log(qorv::format("The settings in %@ could not be read and are ignored.", m_store.location()));
        return window;
    }
    if (m_store.keys().empty())
        return window;
    if (m_store.string(versionKey) != std::string(formatVersion)) {
        qorv::log(
            qorv::format("The settings in %@ were not written by this version and are ignored.", m_store.location()));
        return window;
    }

    std::vector<std::string_view> ignored;
    const std::vector<std::string> keys = m_store.keys();
    const auto present
        = [&keys](std::string_view key) { return std::find(keys.begin(), keys.end(), key) != keys.end(); };
    auto record = [&](std::string_view key, std::optional<std::string>& into) {
        const auto value = m_store.string(key);
        if (value && isBase64(*value))
            into = *value;
        else if (present(key))
            ignored.push_back(key);
    };
    record(geometryKey, window.geometry);
    record(stateKey, window.state);

    if (const auto width = number(m_store.string(sidebarWidthKey));
        width && *width == std::floor(*width) && *width >= minimumSidebarWidth && *width <= maximumSidebarWidth)
        window.sidebarWidth = int(*width);
    else if (present(sidebarWidthKey))
        ignored.push_back(sidebarWidthKey);

    if (const auto ids = m_store.strings(untickedKey)) {
        for (const auto& id : *ids)
            if (!id.empty() && window.unticked.size() < maximumUnticked)
                window.unticked.insert(id);
    } else if (present(untickedKey)) {
        ignored.push_back(untickedKey);
    }

    if (const auto folder = m_store.string(saveFolderKey); folder && !folder->empty() && folder->front() == '/'
        && folder->find('\0') == std::string::npos && folder->size() < 4096)
        window.saveFolder = *folder;
    else if (present(saveFolderKey))
        ignored.push_back(saveFolderKey);

    // An empty choice is kept as one empty text: the file cannot hold an empty list.
    if (auto servers = m_store.strings(upsServersKey); m_store.string(upsServersKey) == std::string())
        window.upsServers.emplace();
    else if (servers && servers->size() <= QorvCSUPSServerAddress::maximumServers
        && std::all_of(servers->begin(), servers->end(), QorvCSUPSServerAddress::isValid))
        window.upsServers = std::move(*servers);
    else if (present(upsServersKey))
        ignored.push_back(upsServersKey);

    const auto width = number(m_store.string(paperWidthKey));
    const auto height = number(m_store.string(paperHeightKey));
    const auto orientation = m_store.string(orientationKey);
    const auto left = number(m_store.string(leftKey));
    const auto right = number(m_store.string(rightKey));
    const auto top = number(m_store.string(topKey));
    const auto bottom = number(m_store.string(bottomKey));
    const bool anyPage = present(paperWidthKey) || present(paperHeightKey) || present(orientationKey)
        || present(leftKey) || present(rightKey) || present(topKey) || present(bottomKey);
    const auto inRange
        = [](const std::optional<double>& v, double low, double high) { return v && *v >= low && *v <= high; };
    if (inRange(width, minimumPaper, maximumPaper) && inRange(height, minimumPaper, maximumPaper)
        && (orientation == "portrait" || orientation == "landscape") && inRange(left, 0, *width)
        && inRange(right, 0, *width) && inRange(top, 0, *height) && inRange(bottom, 0, *height)
        && *left + *right < *width && *top + *bottom < *height) {
        window.pageSetup = qorv::Value::Dictionary {
            { std::string(QorvCSPrintPaperWidth), *width },
            { std::string(QorvCSPrintPaperHeight), *height },
            { std::string(QorvCSPrintImageableX), *left },
            { std::string(QorvCSPrintImageableY), *bottom },
            { std::string(QorvCSPrintImageableWidth), *width - *left - *right },
            { std::string(QorvCSPrintImageableHeight), *height - *top - *bottom },
            { std::string(QorvCSPrintOrientation), *orientation },
        };
    } else if (anyPage) {
        ignored.push_back("pageSetup");
    }

    if (!ignored.empty())
        qorv::log(
            qorv::format("Settings in %@ that make no sense were ignored: %@.", m_store.location(), joined(ignored)));
    return window;
}

void QorvCSWindowSettings::save(const QorvCSRememberedWindow& window)
{
    m_store.setString(versionKey, std::string(formatVersion));
    auto put = [&](std::string_view key, const std::optional<std::string>& value) {
        if (value)
            m_store.setString(key, *value);
        else
            m_store.remove(key);
    };
    put(geometryKey, window.geometry);
    put(stateKey, window.state);
    put(sidebarWidthKey, window.sidebarWidth ? std::optional(std::to_string(*window.sidebarWidth)) : std::nullopt);
    put(saveFolderKey, window.saveFolder);
    // An INI file cannot hold an empty list; nothing unticked is no entry.
    if (window.unticked.empty())
        m_store.remove(untickedKey);
    else
        m_store.setStrings(untickedKey, { window.unticked.begin(), window.unticked.end() });
    if (!window.upsServers)
        m_store.remove(upsServersKey);
    else if (window.upsServers->empty())
        m_store.setString(upsServersKey, "");
    else
        m_store.setStrings(upsServersKey, *window.upsServers);

    const auto& page = window.pageSetup;
    auto number = [&](std::string_view key) {
        const auto it = page->find(key);
        return it == page->end() ? 0.0 : it->second.asReal().value_or(0);
    };
    if (!page) {
        for (const auto key : { paperWidthKey, paperHeightKey, orientationKey, leftKey, rightKey, topKey, bottomKey })
            m_store.remove(key);
        return;
    }
    const double width = number(QorvCSPrintPaperWidth), height = number(QorvCSPrintPaperHeight);
    const double x = number(QorvCSPrintImageableX), y = number(QorvCSPrintImageableY);
    m_store.setString(paperWidthKey, text(width));
    m_store.setString(paperHeightKey, text(height));
    const auto orientation = page->find(QorvCSPrintOrientation);
    m_store.setString(orientationKey,
        orientation != page->end() && orientation->second.stringOr({}) == "landscape" ? "landscape" : "portrait");
    m_store.setString(leftKey, text(x));
    m_store.setString(bottomKey, text(y));
    m_store.setString(rightKey, text(width - x - number(QorvCSPrintImageableWidth)));
    m_store.setString(topKey, text(height - y - number(QorvCSPrintImageableHeight)));
}
