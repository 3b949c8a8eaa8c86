#include "QorvCSHTMLReportState.h"

#include "QorvCSReportCupelController.h"

const std::shared_ptr<QorvCSReportCupelController>& QorvCSHTMLReportState::cupels()
{
    if (!m_cupels)
        m_cupels = QorvCSReportCupelController::cupelController();
    return m_cupels;
}
