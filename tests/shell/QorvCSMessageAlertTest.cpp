#include "QorvCSMessageAlert.h"
#include "UrlCatcher.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

TEST(QorvCSMessageAlert, ANoticeShowsInTheStatusBarAndOpensItsFile)
{
    QMainWindow window;
    QorvCSMessageAlert alert(&window);
    alert.showNotice("Saved to /tmp/first.pdf", "/tmp/first.pdf");
    alert.showNotice("Saved to /tmp/a <b> & c.pdf", "/tmp/a <b> & c.pdf");

    const auto labels = window.statusBar()->findChildren<QLabel*>(QStringLiteral("notice"));
    ASSERT_EQ(labels.size(), 1) << "a newer notice replaces the older";
    QLabel* label = labels.first();
    EXPECT_FALSE(label->isHidden());
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("Saved to /tmp/a &lt;b&gt; &amp; c.pdf — <a href=")))
        << label->text().toStdString();
    EXPECT_GT(label->findChild<QTimer*>()->remainingTime(), 0) << "it goes away by itself";

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "openUrl");
    // The link as the label hands it over: the attribute's text with its one escaped character restored.
    const QString href
        = label->text().section(QLatin1Char('"'), 1, 1).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    emit label->linkActivated(href);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls.first().toLocalFile(), QStringLiteral("/tmp/a <b> & c.pdf"));

    QWidget notAMainWindow;
    QorvCSMessageAlert elsewhere(&notAMainWindow);
    elsewhere.showNotice("Saved to /tmp/x.pdf", "/tmp/x.pdf");
    EXPECT_TRUE(notAMainWindow.findChildren<QLabel*>().isEmpty());
}
