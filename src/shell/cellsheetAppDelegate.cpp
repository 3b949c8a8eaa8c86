#include "cellsheetAppDelegate.h"

#include "QorvCSMainWindow.h"

#include "foundation/Assert.h"

#include <QApplication>

cellsheetAppDelegate::cellsheetAppDelegate(QObject* parent)
    : QObject(parent)
{
}

cellsheetAppDelegate::~cellsheetAppDelegate() { delete m_window.data(); }

QorvCSMainWindow* cellsheetAppDelegate::window() const { return m_window.data(); }

void cellsheetAppDelegate::setWindow(QorvCSMainWindow* window) { m_window = window; }

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
}
