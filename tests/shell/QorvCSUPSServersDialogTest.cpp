#include "QorvCSUPSServersDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Servers = std::vector<std::string>;

QStringList listed(const QorvCSUPSServersDialog& dialog)
{
    QStringList servers;
    for (int row = 0; row < dialog.serverList()->count(); ++row)
        servers.append(dialog.serverList()->item(row)->text());
    return servers;
}

} // namespace

TEST(QorvCSUPSServersDialog, ChecksWhatIsTypedAddsRemovesAndResets)
{
    QorvCSUPSServersDialog dialog(std::nullopt, { "localhost:3493" });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(listed(dialog), QStringList { QStringLiteral("localhost:3493") });
    EXPECT_FALSE(dialog.resetButton()->isEnabled()) << "already the defaults";
    EXPECT_EQ(dialog.chosenServers(), std::nullopt);

    // Each bad entry says why and cannot be added; Return does not close the dialog over it.
    const std::vector<std::pair<QString, QString>> bad { { QStringLiteral("ups lan"), QStringLiteral("not a host") },
        { QStringLiteral("fe80::1"), QStringLiteral("port") },
        { QStringLiteral("ups.lan:99999"), QStringLiteral("port") },
        { QStringLiteral("localhost:3493"), QStringLiteral("already") } };
    for (const auto& [text, why] : bad) {
        SCOPED_TRACE(text.toStdString());
        dialog.entry()->setFocus();
        dialog.entry()->setText(text);
        EXPECT_FALSE(dialog.addButton()->isEnabled());
        EXPECT_TRUE(dialog.messageLabel()->isVisible());
        EXPECT_TRUE(dialog.messageLabel()->text().contains(why)) << dialog.messageLabel()->text().toStdString();
        QTest::keyClick(dialog.entry(), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.serverList()->count(), 1);
    }

    dialog.entry()->setText(QStringLiteral("[::1]:3500"));
    EXPECT_TRUE(dialog.addButton()->isEnabled());
    EXPECT_FALSE(dialog.messageLabel()->isVisible());
    QTest::keyClick(dialog.entry(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "Return adds rather than closes";
    EXPECT_TRUE(dialog.entry()->text().isEmpty());
    dialog.entry()->setText(QStringLiteral("ups.lan"));
    dialog.addButton()->click();
    EXPECT_EQ(dialog.chosenServers(), (Servers { "localhost:3493", "[::1]:3500", "ups.lan" }));

    dialog.serverList()->setCurrentRow(0);
    dialog.removeButton()->click();
    EXPECT_EQ(dialog.chosenServers(), (Servers { "[::1]:3500", "ups.lan" }));

    EXPECT_TRUE(dialog.resetButton()->isEnabled());
    dialog.resetButton()->click();
    EXPECT_EQ(listed(dialog), QStringList { QStringLiteral("localhost:3493") });
    EXPECT_EQ(dialog.chosenServers(), std::nullopt) << "the defaults again, following the bundle";
}

TEST(QorvCSUPSServersDialog, AnEmptyListIsAChoiceAndAFullOneTakesNoMore)
{
    QorvCSUPSServersDialog none(Servers {}, { "localhost:3493" });
    EXPECT_EQ(none.serverList()->count(), 0);
    EXPECT_FALSE(none.removeButton()->isEnabled());
    EXPECT_EQ(none.chosenServers(), Servers {});

    Servers many;
    for (int i = 0; i < 16; ++i)
        many.push_back("ups" + std::to_string(i) + ".lan");
    QorvCSUPSServersDialog full(many, { "localhost:3493" });
    full.entry()->setText(QStringLiteral("one-more.lan"));
    EXPECT_FALSE(full.addButton()->isEnabled());
    EXPECT_TRUE(full.messageLabel()->text().contains(QStringLiteral("16")))
        << full.messageLabel()->text().toStdString();
}
