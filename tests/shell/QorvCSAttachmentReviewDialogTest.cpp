#include "QorvCSAttachmentReviewDialog.h"
#include "UrlCatcher.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Choice = QorvCSAttachmentReviewChoice;

struct Answers {
    QorvCSAttachmentReview::Answer next()
    {
        return [this](Choice choice) { choices.push_back(choice); };
    }
    std::vector<Choice> choices;
};

const QorvCSAttachmentReviewItem item { "/tmp/Power report for Lab 1.pdf", "Power report for Lab 1.pdf", 12400, true };

} // namespace

TEST(QorvCSAttachmentReviewDialog, ShowsTheFileAndAsksForItAgainWhenTheCheckboxChanges)
{
    QWidget window;
    window.show();
    QorvCSAttachmentReviewDialog dialog(&window);
    Answers answers;
    dialog.reviewAttachment(item, answers.next());
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
    EXPECT_TRUE(dialog.fileLabel()->text().contains(QStringLiteral("Power report for Lab 1.pdf")));
    EXPECT_TRUE(dialog.fileLabel()->text().contains(QStringLiteral("12.4")))
        << dialog.fileLabel()->text().toStdString();
    EXPECT_TRUE(dialog.hideCheckBox()->isChecked());

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "openUrl");
    dialog.viewButton()->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls.first().toLocalFile(), QString::fromStdString(item.path));

    // Unticked: the file is made again; nothing can be sent until it is there.
    dialog.hideCheckBox()->click();
    EXPECT_EQ(answers.choices, std::vector<Choice> { Choice::ShowIdentifying });
    EXPECT_FALSE(dialog.sendButton()->isEnabled());
    auto shown = item;
    shown.hidesIdentifying = false;
    shown.size = 13100;
    dialog.reviewAttachment(shown, answers.next());
    EXPECT_TRUE(dialog.sendButton()->isEnabled());
    EXPECT_FALSE(dialog.hideCheckBox()->isChecked());
    EXPECT_TRUE(dialog.fileLabel()->text().contains(QStringLiteral("13.1")));
    dialog.sendButton()->click();
    EXPECT_EQ(answers.choices, (std::vector<Choice> { Choice::ShowIdentifying, Choice::Send }));
    EXPECT_FALSE(dialog.isVisible());
}

TEST(QorvCSAttachmentReviewDialog, CancelledWhileTheFileIsMadeAgainItStaysCancelled)
{
    QWidget window;
    window.show();
    QorvCSAttachmentReviewDialog dialog(&window);
    Answers answers;
    dialog.reviewAttachment(item, answers.next());
    dialog.reject(); // Escape
    EXPECT_EQ(answers.choices, std::vector<Choice> { Choice::Cancel });

    dialog.reviewAttachment(item, answers.next());
    dialog.hideCheckBox()->click();
    dialog.reject();
    EXPECT_EQ(answers.choices.size(), 2u) << "the answer waits for the file";
    dialog.reviewAttachment(item, answers.next());
    EXPECT_FALSE(dialog.isVisible()) << "a cancelled review does not come back";
    EXPECT_EQ(answers.choices, (std::vector<Choice> { Choice::Cancel, Choice::ShowIdentifying, Choice::Cancel }));

    // The file could not be made again: the review closes without an answer, and the next one starts afresh.
    dialog.reviewAttachment(item, answers.next());
    dialog.hideCheckBox()->click();
    dialog.endReview();
    EXPECT_FALSE(dialog.isVisible());
    dialog.reviewAttachment(item, answers.next());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.sendButton()->isEnabled());
    EXPECT_EQ(answers.choices.size(), 4u);
}
