#include "QorvCSHelpMenu.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>

QMenu* QorvCSBuildHelpMenu(QMenuBar* menuBar, QWidget* window)
{
    QMenu* menu = menuBar->addMenu(QCoreApplication::translate("QorvCSHelpMenu", "&Help"));
    menu->setObjectName(QStringLiteral("helpMenu"));
    QAction* about
        = menu->addAction(QCoreApplication::translate("QorvCSHelpMenu", "&About cellsheet"), window, [window] {
              QMessageBox::about(window, QCoreApplication::translate("QorvCSHelpMenu", "About cellsheet"),
                  QCoreApplication::translate("QorvCSHelpMenu",
                      "<h3>cellsheet %1</h3><p>A live report of your computer's power sources and inventory.</p>")
                      .arg(QApplication::applicationVersion()));
          });
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setMenuRole(QAction::AboutRole);
    menu->addSeparator();
    return menu;
}
