#include "Collectors.h"
#include "DeviceIdentity.h"
#include "SystemRoot.h"
#include "Text.h"

namespace cellsheet::profiler {

namespace {

const Schema audioSchema {
    { "spaudio_device" },
    { "spaudio_manufacturer" },
    { "spaudio_bus" },
    { "spaudio_driver" },
    { "spaudio_codec" },
    { "spaudio_outputs" },
    { "spaudio_inputs" },
};

struct Card {
    unsigned index = 0;
    std::string driver;
    std::string name;
};

// /proc/asound/cards: " 0 [PCH            ]: HDA-Intel - HDA Intel PCH" followed by an indented long name.
std::vector<Card> cards(const SystemRoot& root)
{
    std::vector<Card> result;
    const std::string text = root.read("/proc/asound/cards").value_or("");
    for (std::string_view line : Text::lines(text)) {
        const std::string_view trimmed = Text::trim(line);
        const size_t bracket = trimmed.find(" [");
        const size_t colon = trimmed.find("]: ");
        if (bracket == std::string_view::npos || colon == std::string_view::npos || colon < bracket)
            continue;
        const auto index = Text::parseUnsigned(trimmed.substr(0, bracket));
        if (!index)
            continue;
        const std::string_view rest = trimmed.substr(colon + 3);
        const size_t dash = rest.find(" - ");
        Card card { static_cast<unsigned>(*index), Text::clean(rest.substr(0, dash)),
            dash == std::string_view::npos ? Text::clean(rest) : Text::clean(rest.substr(dash + 3)) };
        result.push_back(std::move(card));
    }
    return result;
}

} // namespace

std::string_view AudioCollector::dataType() const
{
    return "SPAudioDataType";
}

const Schema& AudioCollector::schema() const
{
    return audioSchema;
}

void AudioCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    // /proc/asound/pcm: "00-03: HDMI 0 : HDMI 0 : playback 1" with card and device numbers.
    const auto pcm = root.read("/proc/asound/pcm").value_or("");
    for (const Card& card : cards(root)) {
        const std::string number = std::to_string(card.index);
        Item item(audioSchema, context.level, card.name.empty() ? "Sound Card " + number : card.name);
        const DeviceIdentity identity
            = DeviceIdentity::of(root, *context.database, "/sys/class/sound/card" + number + "/device");
        item.set("spaudio_device", identity.model);
        item.set("spaudio_manufacturer", identity.vendor);
        item.set("spaudio_bus", identity.bus == "PCI" || identity.bus == "USB" ? identity.bus : "");
        item.set("spaudio_driver", card.driver);
        std::vector<std::string> codecs;
        const std::string directory = "/proc/asound/card" + number;
        for (const auto& entry : root.list(directory)) {
            if (entry.rfind("codec#", 0) != 0)
                continue;
            const auto codec = Text::colonValues(root.read(directory + "/" + entry, 1024).value_or(""));
            if (const auto found = codec.find("Codec"); found != codec.end() && !found->second.empty())
                codecs.push_back(Text::clean(found->second));
        }
        item.set("spaudio_codec", Text::join(codecs, ", "));
        std::vector<std::string> outputs, inputs;
        for (std::string_view line : Text::lines(pcm)) {
            const auto fields = Text::split(line, ':');
            const auto ids = Text::split(fields.front(), '-');
            if (fields.size() < 3 || ids.size() != 2 || Text::parseUnsigned(ids[0]) != card.index)
                continue;
            // "HDA Analog (*)": the mark only says the device is there.
            std::string name = Text::clean(fields[1]);
            if (name.size() > 4 && name.compare(name.size() - 4, 4, " (*)") == 0)
                name.erase(name.size() - 4);
            for (size_t i = 3; i < fields.size(); ++i) {
                if (Text::trim(fields[i]).rfind("playback", 0) == 0)
                    outputs.push_back(name);
                else if (Text::trim(fields[i]).rfind("capture", 0) == 0)
                    inputs.push_back(name);
            }
        }
        item.set("spaudio_outputs", Text::join(outputs, ", "));
        item.set("spaudio_inputs", Text::join(inputs, ", "));
        sink.add(item);
    }
}

std::string AudioCollector::summary(const qorv::Value& item) const
{
    std::string text = joinPresent(item, { "spaudio_codec" });
    if (text.empty())
        text = joinPresent(item, { "spaudio_device" });
    for (const auto& [key, label] :
        { std::pair { "spaudio_outputs", "outputs " }, std::pair { "spaudio_inputs", "inputs " } })
        if (const auto* value = item.find(key))
            text += (text.empty() ? "" : "; ") + std::string(label) + value->description();
    return text;
}

} // namespace cellsheet::profiler
