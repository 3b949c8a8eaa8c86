#include "QorvCSBatchReport.h"

#include "QorvCSApplicationController.h"
#include "QorvCSHTMLReport.h"

#include "foundation/AtomicFile.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

#include <QApplication>
#include <QPalette>

#include <cstdio>
#include <exception>
#include <unistd.h>

namespace {

qorv::Color toColor(const QColor& c) { return { c.redF(), c.greenF(), c.blueF(), c.isValid() }; }

std::string writeOutput(const std::string& path, std::string_view bytes)
{
    if (path == "-") {
        std::fflush(stdout);
        return qorv::writeAll(STDOUT_FILENO, bytes);
    }
    return qorv::writeFileAtomically(path, bytes);
}

} // namespace

int QorvCSBatchReport::run()
{
    const QPalette palette = QApplication::palette();
    QorvCSHTMLReport::setAlternatingRowBackgroundColors(
        { toColor(palette.color(QPalette::Base)), toColor(palette.color(QPalette::AlternateBase)) });

    int status = 0;
    auto fail = [&](const std::string& path, const std::string& reason) {
        std::fprintf(stderr, "cellsheet: cannot write %s: %s\n", path == "-" ? "to standard output" : path.c_str(),
            reason.c_str());
        status = 1;
    };
    try {
        QorvCSApplicationController controller;
        const auto& root = controller.contentController()->root();
        const auto limit = std::chrono::milliseconds(static_cast<long long>(m_commandLine.inventoryTimeout * 1000));
        const bool settled
            = qorv::RunLoop::main().runUntil([&] { return !root->isWaitingForData(); }, limit);
        if (!settled)
            qorv::log(qorv::format("inventory not ready after %@ s; writing the report without it", m_commandLine.inventoryTimeout));

        auto produce = [&](const std::optional<std::string>& path, auto&& render) {
            if (!path)
                return;
            try {
                const std::string bytes = render();
                if (std::string error = writeOutput(*path, bytes); !error.empty())
                    fail(*path, error);
            } catch (const std::exception& e) {
                fail(*path, e.what());
            }
        };
        produce(m_commandLine.html, [&] { return controller.reportHTMLForExport(false); });
        produce(m_commandLine.exportHTML, [&] { return controller.reportHTMLForExport(true); });
        produce(m_commandLine.debugPlist, [&] { return qorv::PropertyList::toXML(root->debug()); });
        if (m_commandLine.pdf)
            fail(*m_commandLine.pdf, "PDF output is not available in this build");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cellsheet: %s\n", e.what());
        return 1;
    }
    return status;
}
