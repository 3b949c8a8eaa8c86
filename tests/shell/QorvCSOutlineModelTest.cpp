#include "QorvCSOutlineModel.h"
#include "QtRunLoopBinding.h"

#include "QorvCSContentController.h"

#include "foundation/RunLoop.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Collects Qt's warnings while it lives; the model tester reports its findings as warnings starting "FAIL!".
class WarningCapture {
public:
    WarningCapture()
    {
        s_current = this;
        m_previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                s_current->messages << message;
        });
    }
    ~WarningCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    WarningCapture(const WarningCapture&) = delete;
    WarningCapture& operator=(const WarningCapture&) = delete;

    QStringList failures() const { return messages.filter(QStringLiteral("FAIL!")); }
    QStringList messages;

private:
    static inline WarningCapture* s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
};

// root → "Power Sources" (group: "Battery", a placeholder that cannot be included), "Ünïcode group" (group, empty).
class OutlineModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        while (qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0))) { }
        root = QorvCSContent::rootContent();
        group = std::make_shared<QorvCSContent>("power-source", "Power Sources");
        group->setGroup(true);
        battery = std::make_shared<QorvCSContent>("battery", "Battery");
        placeholder = std::make_shared<QorvCSContent>("searching", "Searching…");
        placeholder->setInclude(false);
        placeholder->setCanInclude(false);
        group->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { battery, placeholder }));
        unicodeGroup = std::make_shared<QorvCSContent>("other", "Ünïcode group");
        unicodeGroup->setGroup(true);
        root->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { group, unicodeGroup }));
        controller.setRoot(root);
        model.setDataSource(&controller);
    }

    QModelIndex indexOf(const std::shared_ptr<QorvCSContent>& node, int column)
    {
        return model.indexOf(node.get(), column);
    }

    std::shared_ptr<QorvCSContent> root, group, battery, placeholder, unicodeGroup;
    QorvCSContentController controller;
    QorvCSOutlineModel model;
};

} // namespace

TEST_F(OutlineModelTest, PassesTheModelTester)
{
    WarningCapture warnings;
    {
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
        model.reload();
        battery->setInclude(false);
        model.reload();
        // A rebuilt group: the old children go, new ones come.
        group->setChildren(std::make_shared<QorvCSContent::Children>(
            QorvCSContent::Children { std::make_shared<QorvCSContent>("ups", "UPS") }));
        model.reload();
        model.setDataSource(nullptr);
        model.setDataSource(&controller);
    }
    EXPECT_TRUE(warnings.failures().isEmpty()) << warnings.failures().join(QLatin1Char('\n')).toStdString();
}

TEST_F(OutlineModelTest, Shape)
{
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 2);
    const QModelIndex groupIndex = model.index(0, 0);
    EXPECT_EQ(model.node(groupIndex), group.get());
    EXPECT_EQ(model.rowCount(groupIndex), 2);
    EXPECT_EQ(model.node(model.index(1, 1, groupIndex)), placeholder.get());
    EXPECT_EQ(model.parent(model.index(1, 1, groupIndex)), groupIndex);
    EXPECT_FALSE(model.parent(groupIndex).isValid());
    EXPECT_EQ(model.rowCount(model.index(0, 1)), 0) << "only the first column has children";
    EXPECT_FALSE(model.index(2, 0).isValid());
    EXPECT_FALSE(model.index(0, 2).isValid());

    QorvCSOutlineModel unconnected;
    EXPECT_EQ(unconnected.rowCount(), 0);
    EXPECT_FALSE(unconnected.index(0, 0).isValid());
}

TEST_F(OutlineModelTest, CheckboxOnlyForIncludableSections)
{
    struct Case {
        std::shared_ptr<QorvCSContent> node;
        bool checkable;
        QVariant checkState;
    };
    const Case cases[] = {
        { battery, true, QVariant(Qt::Checked) },
        { placeholder, false, QVariant() },
        { group, false, QVariant() },
        { unicodeGroup, false, QVariant() },
    };
    for (const Case& c : cases) {
        const QModelIndex include = indexOf(c.node, QorvCSOutlineModel::IncludeColumn);
        ASSERT_TRUE(include.isValid()) << c.node->label();
        EXPECT_EQ(bool(model.flags(include) & Qt::ItemIsUserCheckable), c.checkable) << c.node->label();
        EXPECT_EQ(model.data(include, Qt::CheckStateRole).isValid(), c.checkState.isValid()) << c.node->label();
        if (c.checkState.isValid()) {
            EXPECT_EQ(model.data(include, Qt::CheckStateRole).toInt(), c.checkState.toInt());
        }
        EXPECT_FALSE(bool(model.flags(indexOf(c.node, QorvCSOutlineModel::LabelColumn)) & Qt::ItemIsUserCheckable));
    }
    battery->setInclude(false);
    EXPECT_EQ(
        model.data(indexOf(battery, QorvCSOutlineModel::IncludeColumn), Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST_F(OutlineModelTest, RowTexts)
{
    EXPECT_EQ(model.data(indexOf(group, 0)).toString(), QStringLiteral("POWER SOURCES"));
    EXPECT_EQ(model.data(indexOf(unicodeGroup, 0)).toString(), QStringLiteral("ÜNÏCODE GROUP"));
    EXPECT_FALSE(model.data(indexOf(group, 1)).isValid()) << "a group row spans the columns from the first";
    EXPECT_EQ(model.data(indexOf(battery, QorvCSOutlineModel::LabelColumn)).toString(), QStringLiteral("Battery"));
    EXPECT_EQ(
        model.data(indexOf(placeholder, QorvCSOutlineModel::LabelColumn)).toString(), QStringLiteral("Searching…"));
    EXPECT_FALSE(model.data(indexOf(battery, QorvCSOutlineModel::IncludeColumn)).isValid());
    EXPECT_EQ(model.data(indexOf(battery, QorvCSOutlineModel::IncludeColumn), Qt::AccessibleTextRole).toString(),
        QStringLiteral("Battery"))
        << "the checkbox is named after its section";
    EXPECT_FALSE(model.data(indexOf(placeholder, QorvCSOutlineModel::IncludeColumn), Qt::AccessibleTextRole).isValid());
    EXPECT_EQ(group->label(), "Power Sources");
}

TEST_F(OutlineModelTest, CheckingWritesAtOnceAndAnnouncesAfterARunLoopPass)
{
    std::vector<std::shared_ptr<QorvCSContent>> announced;
    qorv::NotificationCenter::defaultCenter().addObserver(
        this,
        [&](const qorv::Notification& n) {
            announced.push_back(
                n.userInfoValue<std::shared_ptr<QorvCSContent>>(QorvCSContentControllerNotificationKeyContent));
        },
        std::string(QorvCSContentControllerNotificationDidUpdate), &controller);
    QtRunLoopBinding binding(qorv::RunLoop::main());
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    const QModelIndex include = indexOf(battery, QorvCSOutlineModel::IncludeColumn);
    EXPECT_TRUE(model.setData(include, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(battery->include());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(announced.empty()) << "announced only once the click's handling has returned";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !announced.empty(); }, 10000));
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0], root);

    EXPECT_TRUE(model.setData(include, Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(battery->include());

    // Rows without a checkbox, other columns and other roles take nothing.
    EXPECT_FALSE(
        model.setData(indexOf(placeholder, QorvCSOutlineModel::IncludeColumn), Qt::Checked, Qt::CheckStateRole));
    EXPECT_FALSE(placeholder->include());
    EXPECT_FALSE(model.setData(indexOf(group, QorvCSOutlineModel::IncludeColumn), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_TRUE(group->include());
    EXPECT_FALSE(model.setData(indexOf(battery, QorvCSOutlineModel::LabelColumn), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(model.setData(include, QStringLiteral("x"), Qt::EditRole));
    EXPECT_TRUE(battery->include());

    EXPECT_TRUE(QTest::qWaitFor([&] { return announced.size() == 2; }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(announced.size(), 2u) << "refused writes announce nothing";
    qorv::NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(OutlineModelTest, ReloadResetsTheModel)
{
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    group->setChildren(nullptr);
    model.reload();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(indexOf(group, 0)), 0);
}
