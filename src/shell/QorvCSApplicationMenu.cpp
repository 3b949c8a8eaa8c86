#include "QorvCSApplicationMenu.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>

QMenu* QorvCSBuildApplicationMenu(QMenuBar* menuBar, QWidget* window)
{
    QMenu* menu = menuBar->addMenu(
        QApplication::applicationName().isEmpty() ? QStringLiteral("cellsheet") : QApplication::applicationName());
    menu->setObjectName(QStringLiteral("applicationMenu"));
    QAction* about = menu->addAction(QObject::tr("About cellsheet"), window, [window] {
        QMessageBox::about(window, QObject::tr("About cellsheet"),
            QObject::tr("<h3>cellsheet %1</h3><p>A live report of your computer's power sources and inventory.</p>")
                .arg(QApplication::applicationVersion()));
    });
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setMenuRole(QAction::AboutRole);
    menu->addSeparator();
    QAction* quit = menu->addAction(QObject::tr("&Quit"), qApp, &QApplication::closeAllWindows);
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    return menu;
}
