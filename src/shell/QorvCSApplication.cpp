#include "QorvCSApplication.h"

#include "foundation/Log.h"

#include <exception>

QorvCSApplication::QorvCSApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{ }

bool QorvCSApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        qorv::log(e.what());
    } catch (...) {
        qorv::log("unknown exception caught at the event loop");
    }
    return false;
}
