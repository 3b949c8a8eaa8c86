#include "cellsheetAppDelegate.h"

#include "QorvCSMainWindow.h"

#include "QorvApplicationExtras.h"
#include "QorvCSApplicationController.h"
#include "QorvFeedbackController.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

cellsheetAppDelegate::cellsheetAppDelegate(QObject* parent)
    : QObject(parent)
{ }

cellsheetAppDelegate::~cellsheetAppDelegate()
{
    if (m_feedbackController)
        m_feedbackController->setDelegate(nullptr);
    setFeedbackController(nullptr);
    setApplicationExtras(nullptr);
    delete m_window.data();
}

QorvCSMainWindow* cellsheetAppDelegate::window() const
{
    return m_window.data();
}

void cellsheetAppDelegate::setWindow(QorvCSMainWindow* window)
{
    m_window = window;
}

void cellsheetAppDelegate::launch()
{
    QApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    auto* window = new QorvCSMainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    setWindow(window);
    setApplicationController(&window->applicationController());
    window->show();
    applicationDidFinishLaunching();
}

void cellsheetAppDelegate::applicationDidFinishLaunching()
{
    QorvAssert(m_applicationController != nullptr, "%@'s applicationController is not connected.", className());
    QMenuBar* mainMenu = m_window ? m_window->menuBar() : nullptr;
    setApplicationExtras(QorvApplicationExtras::applicationExtras(mainMenu));
    connectResponderActions(mainMenu);
}

void cellsheetAppDelegate::connectResponderActions(QMenuBar* menuBar)
{
    if (!menuBar)
        return;
    for (QAction* menuAction : menuBar->actions()) {
        QMenu* menu = menuAction->menu();
        if (!menu)
            continue;
        for (QAction* action : menu->actions()) {
            const QByteArray selector = action->property("responderAction").toByteArray();
            if (selector.isEmpty() || metaObject()->indexOfMethod(selector + "()") < 0)
                continue;
            connect(action, &QAction::triggered, this,
                [this, selector] { QMetaObject::invokeMethod(this, selector.constData()); });
        }
    }
}

void cellsheetAppDelegate::feedback()
{
    const auto& controller = feedbackController();
    // A second request while the sheet is up only brings it forward: a second pause would never be resumed.
    if (controller->isShowing()) {
        controller->beginModalForWindow(window());
        return;
    }
    m_applicationController->pauseUpdates();
    controller->setMessage(qorv::Bundle::main().localizedString("CellsheetAppDelegateFeedbackMessage"));
    try {
        controller->beginModalForWindow(window());
    } catch (...) {
        // No sheet, so no end of it either: the report must not stay paused.
        m_applicationController->resumeUpdates();
        throw;
    }
}

const std::shared_ptr<QorvFeedbackController>& cellsheetAppDelegate::feedbackController()
{
    if (!m_feedbackController) {
        auto controller = QorvFeedbackController::feedbackController();
        controller->setDelegate(this);
        setFeedbackController(std::move(controller));
    }
    return m_feedbackController;
}

void cellsheetAppDelegate::setFeedbackController(std::shared_ptr<QorvFeedbackController> controller)
{
    m_feedbackController = std::move(controller);
}

std::optional<QorvFeedbackFields> cellsheetAppDelegate::dictionaryForFeedbackController(
    QorvFeedbackController& controller)
{
    QorvFeedbackFields fields;
    if (!m_applicationController)
        return fields;
    auto shared = m_applicationController->reportToShare(controller.sanitizesAttachments());
    if (!shared.html.empty())
        fields["file-report-html"] = std::move(shared.html);
    std::string xml = qorv::PropertyList::toXML(shared.debugTree);
    if (!xml.empty())
        fields["file-debug-plist"] = std::move(xml);
    return fields;
}

void cellsheetAppDelegate::feedbackControllerDidFinish(QorvFeedbackController&)
{
    if (m_applicationController)
        m_applicationController->resumeUpdates();
}
