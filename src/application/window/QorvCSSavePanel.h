#pragma once

#include <functional>
#include <optional>
#include <string>

// A save sheet on the main window that offers one file type.
class QorvCSSavePanel {
public:
    struct Options {
        std::string fileType; // extension without the dot: "pdf", "plist"
        std::string nameFieldValue; // the preset name, without extension
        std::string title;
        std::string prompt; // the default button's text
        std::string directory; // the folder to open in; empty: the panel's choice
    };
    // completion receives the chosen path, or nullopt when the user cancelled.
    using Completion = std::function<void(const std::optional<std::string>& path)>;
    virtual ~QorvCSSavePanel() = default;
    virtual void beginSheet(const Options& options, Completion completion) = 0;
};
