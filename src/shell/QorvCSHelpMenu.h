#pragma once

class QMenuBar;
class QMenu;
class QWidget;

// The Help menu, last in the menu bar: About and a separator. The application's extras put their commands
// between the two.
QMenu* QorvCSBuildHelpMenu(QMenuBar* menuBar, QWidget* window);
