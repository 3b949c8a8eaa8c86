#pragma once

class QMenuBar;
class QMenu;
class QWidget;

// The application menu, first in the menu bar and named after the application: About, a separator, Quit. The
// application's extras put their commands above the separator.
QMenu* QorvCSBuildApplicationMenu(QMenuBar* menuBar, QWidget* window);
