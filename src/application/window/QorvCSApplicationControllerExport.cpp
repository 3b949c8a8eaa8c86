// QorvCSApplicationController: export and print.
#include "QorvCSApplicationController.h"
#include "QorvCSComputerName.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"
#include "foundation/PropertyList.h"

namespace {

std::string localized(std::string_view key)
{
    return qorv::Bundle::main().localizedString(key, key);
}

std::string fileName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string QorvCSApplicationController::computerName() const
{
    return m_computerNameSource ? m_computerNameSource() : QorvCSComputerName();
}

std::string QorvCSApplicationController::exportFilename() const
{
    return qorv::format(localized("QorvCSApplicationController.Export.FilenameFormat"), computerName());
}

void QorvCSApplicationController::printToPDF(const std::string& path, PrintCompletion completion)
{
    const qorv::Value::Dictionary info {
        { std::string(QorvCSPrintJobDisposition), std::string(QorvCSPrintSaveJob) },
        { std::string(QorvCSPrintJobSavingURL), path },
    };
    printWithInfo(info, false, std::move(completion));
}

void QorvCSApplicationController::printWithInfo(
    const qorv::Value::Dictionary& info, bool showPrintPanel, PrintCompletion completion)
{
    const QorvCSPrintJob job = QorvCSMakePrintJob(m_sharedPrintSettings, info);
    if (!m_printOperation) {
        if (completion)
            completion(false);
        return;
    }
    // Updates wait until the operation has finished, however it ends.
    pauseUpdates();
    m_printOperation->run(job, showPrintPanel, [this, completion](bool ok, const std::string&) {
        resumeUpdates();
        if (completion)
            completion(ok);
    });
}

void QorvCSApplicationController::printDocument()
{
    printWithInfo({}, true);
}

void QorvCSApplicationController::runPageLayout()
{
    if (m_printOperation)
        m_printOperation->runPageLayout(m_sharedPrintSettings);
}

QorvCSSavePanel::Options QorvCSApplicationController::savePanelOptions(const std::string& fileType) const
{
    return { fileType, exportFilename(), localized("QorvCSApplicationController.Export.Title"),
        localized("QorvCSApplicationController.Export.Prompt") };
}

void QorvCSApplicationController::alert(const std::string& message, const std::string& detail)
{
    if (m_alertPresenter)
        m_alertPresenter->showAlert(message, detail);
}

void QorvCSApplicationController::exportToPDF()
{
    if (!m_savePanel)
        return;
    m_savePanel->beginSheet(savePanelOptions("pdf"), [this](const std::optional<std::string>& path) {
        if (!path)
            return;
        const std::string chosen = *path;
        printToPDF(chosen, [this, chosen](bool ok) {
            if (!ok)
                alert(qorv::format(localized("QorvCSApplicationController.Export.FailedFormat"), fileName(chosen)),
                    qorv::format(localized("QorvCSApplicationController.Export.PDFFailedDetail"), chosen));
        });
    });
}

void QorvCSApplicationController::exportForDebug()
{
    if (!m_savePanel)
        return;
    m_savePanel->beginSheet(savePanelOptions("plist"), [this](const std::optional<std::string>& path) {
        if (!path)
            return;
        const std::string error = qorv::PropertyList::writeXMLFile(*path, debugTree());
        if (!error.empty())
            alert(qorv::format(localized("QorvCSApplicationController.Export.FailedFormat"), fileName(*path)), error);
    });
}

void QorvCSApplicationController::exportToEmail()
{
    std::string directory = m_mailAttachmentDirectory;
    if (directory.empty()) {
        std::string error;
        auto privateDirectory = QorvCSPrivateTemporaryDirectory(error);
        if (!privateDirectory) {
            alert(localized("QorvCSApplicationController.Email.Failed"), error);
            return;
        }
        directory = *privateDirectory;
    }
    const std::string path = directory + "/" + exportFilename() + ".pdf";
    printToPDF(path, [this, path](bool ok) {
        if (!ok || !m_mailComposer || !m_mailComposer->isAvailable())
            return;
        const std::string name = computerName();
        m_mailComposer->composeMessage(qorv::format(localized("QorvCSApplicationController.Email.SubjectFormat"), name),
            qorv::format(localized("QorvCSApplicationController.Email.ContentFormat"), name), path);
    });
}
