#include "QorvCSBatchReport.h"

#include "QorvCSApplicationController.h"
#include "QorvCSHTMLReport.h"
#include "QorvCSReportColors.h"

#include "foundation/AtomicFile.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

#include "QorvCSWebEngineView.h"
#include "QorvCSWebPrintOperation.h"

#include <QApplication>
#include <QEventLoop>
#include <QPalette>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <unistd.h>

namespace {

std::string writeOutput(const std::string& path, std::string_view bytes)
{
    if (path == "-") {
        std::fflush(stdout);
        return qorv::writeAll(STDOUT_FILENO, bytes);
    }
    return qorv::writeFileAtomically(path, bytes);
}

} // namespace

std::string QorvCSBatchReport::printPDF(QorvCSApplicationController& controller, const std::string& path)
{
    // The same print routine as the window's, on a hidden export view; it writes the file like the other outputs.
    QorvCSWebEngineView view(QStringLiteral("export"));
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(800, 1000);
    QorvCSWebPrintOperation operation(&view, nullptr);
    controller.setContentPrintView(&view);
    controller.setPrintOperation(&operation);
    controller.updateWebView();
    if (!controller.renderFailure().empty()) {
        // The view holds the failure notice, not a report: never save that as the report.
        controller.setPrintOperation(nullptr);
        controller.setContentPrintView(nullptr);
        return controller.renderFailure();
    }

    QEventLoop loop;
    std::optional<std::string> failure;
    QTimer::singleShot(std::chrono::seconds(120), &loop, &QEventLoop::quit);
    controller.printToPDF(path, [&](bool ok, const std::string& reason) {
        failure = ok ? std::string() : reason.empty() ? std::string("the PDF file could not be written") : reason;
        loop.quit();
    });
    if (!failure)
        loop.exec();
    controller.setPrintOperation(nullptr);
    controller.setContentPrintView(nullptr);
    if (!failure)
        return "printing did not finish in time";
    return *failure;
}

int QorvCSBatchReport::run()
{
    QorvCSApplyReportColors(QApplication::palette());

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
        const bool settled = qorv::RunLoop::main().runUntil([&] { return !root->isWaitingForData(); }, limit);
        if (!settled)
            qorv::log(qorv::format(
                "inventory not ready after %@ s; writing the report without it", m_commandLine.inventoryTimeout));

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
        controller.setSanitizesReport(m_commandLine.sanitize);
        // Both renderings from one build of the report when both are asked for; should that fail, each is made
        // alone, so one that can be made is still written and each failure names its own file.
        std::optional<QorvCSApplicationController::ReportDocuments> both;
        if (m_commandLine.html && m_commandLine.exportHTML) {
            try {
                both = controller.reportHTMLForScreenAndExport();
            } catch (const std::exception&) { }
        }
        produce(
            m_commandLine.html, [&] { return both ? std::move(both->screen) : controller.reportHTMLForExport(false); });
        produce(m_commandLine.exportHTML,
            [&] { return both ? std::move(both->exported) : controller.reportHTMLForExport(true); });
        produce(m_commandLine.debugPlist, [&] { return qorv::PropertyList::toXML(controller.debugTree()); });
        produce(m_commandLine.json, [&] { return controller.reportJSON(CELLSHEET_VERSION); });
        if (m_commandLine.pdf)
            if (std::string error = printPDF(controller, *m_commandLine.pdf); !error.empty())
                fail(*m_commandLine.pdf, error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cellsheet: %s\n", e.what());
        return 1;
    }
    return status;
}
