#pragma once

#include "QorvCSCommandLine.h"

#include <string>

class QorvCSApplicationController;

// The report cycle without a window: builds the content tree, waits for the inventory (or the time limit), and
// writes each requested output. Returns the process exit status: 0, or 1 when an output could not be produced.
class QorvCSBatchReport {
public:
    explicit QorvCSBatchReport(QorvCSCommandLine commandLine)
        : m_commandLine(std::move(commandLine))
    { }
    int run();

private:
    // Prints the export rendering and writes it to path like the other outputs (in place to a device or FIFO,
    // a replaced file keeps its mode, nothing is left behind on failure); returns an empty string on success,
    // else the reason.
    std::string printPDF(QorvCSApplicationController& controller, const std::string& path);

    QorvCSCommandLine m_commandLine;
};
