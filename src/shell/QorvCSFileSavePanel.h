#pragma once

#include "QorvCSSavePanel.h"

#include <QPointer>
#include <QWidget>

// A window-modal file dialog on the main window that offers one file type.
class QorvCSFileSavePanel : public QorvCSSavePanel {
public:
    explicit QorvCSFileSavePanel(QWidget* window)
        : m_window(window)
    { }
    void beginSheet(const Options& options, Completion completion) override;

private:
    QPointer<QWidget> m_window;
};
