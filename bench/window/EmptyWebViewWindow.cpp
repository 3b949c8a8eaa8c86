// The floor of the window's memory: one shown web view with an empty page, nothing else, set up as the
// application sets up its engine. Given an HTML file, the view shows that file instead, so the report's own
// document can be weighed apart from the program that shows it. Runs until killed; see idle-pss.
#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QWebEngineView view;
    view.resize(1100, 700);
    if (argc > 1)
        view.load(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    else
        view.setHtml(QStringLiteral("<!DOCTYPE html><html><body></body></html>"));
    view.show();
    return application.exec();
}
