#pragma once

#include <QApplication>

// The application object: every event is delivered inside a boundary that logs an escaping exception (an
// assertion) and abandons that event's work, so an assertion never terminates the application.
class QorvCSApplication : public QApplication {
    Q_OBJECT
public:
    QorvCSApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
