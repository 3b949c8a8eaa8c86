#include "QorvCSAttachmentReviewDialog.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

QorvCSAttachmentReviewDialog::QorvCSAttachmentReviewDialog(QWidget* window)
    : QDialog(window)
    , m_file(new QLabel(this))
    , m_hide(new QCheckBox(tr("&Hide serial numbers, addresses and names"), this))
    , m_view(new QPushButton(tr("&View…"), this))
    , m_send(new QPushButton(tr("&Attach to E-mail"), this))
{
    setObjectName(QStringLiteral("attachmentReview"));
    setWindowTitle(tr("Send by E-mail"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(460);

    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("This file will be attached to a new message in your mail program:"), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* fileRow = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(QFileIconProvider().icon(QFileIconProvider::File).pixmap(32, 32));
    fileRow->addWidget(icon);
    m_file->setObjectName(QStringLiteral("attachmentFile"));
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fileRow->addWidget(m_file, 1);
    m_view->setAutoDefault(false);
    fileRow->addWidget(m_view);
    layout->addLayout(fileRow);

    m_hide->setObjectName(QStringLiteral("hideCheckBox"));
    m_hide->setToolTip(tr("Replaces serial numbers, hardware and network addresses, and the computer's and your "
                          "names with placeholders in the attached report."));
    layout->addWidget(m_hide);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Cancel);
    buttons->addButton(m_send, QDialogButtonBox::AcceptRole);
    m_send->setDefault(true);
    layout->addWidget(buttons);

    connect(m_view, &QPushButton::clicked, this,
        [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(m_item.path))); });
    // clicked, not toggled: setting the box to the file's state must not ask for the file again.
    connect(m_hide, &QCheckBox::clicked, this, [this](bool checked) {
        setWaiting(true);
        answer(checked ? QorvCSAttachmentReviewChoice::HideIdentifying : QorvCSAttachmentReviewChoice::ShowIdentifying);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        accept();
        answer(QorvCSAttachmentReviewChoice::Send);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Cancel, Escape and the window's close button. While the file is being made again the answer waits for it.
    connect(this, &QDialog::rejected, this, [this] {
        if (m_waiting)
            m_cancelledWhileWaiting = true;
        else
            answer(QorvCSAttachmentReviewChoice::Cancel);
    });
}

void QorvCSAttachmentReviewDialog::reviewAttachment(const QorvCSAttachmentReviewItem& item, Answer answer)
{
    m_item = item;
    m_answer = std::move(answer);
    if (m_cancelledWhileWaiting) {
        m_cancelledWhileWaiting = false;
        m_waiting = false;
        return this->answer(QorvCSAttachmentReviewChoice::Cancel);
    }
    m_file->setText(QStringLiteral("%1\n%2").arg(QString::fromStdString(item.fileName),
        QLocale().formattedDataSize(qint64(item.size), 1, QLocale::DataSizeSIFormat)));
    m_hide->setChecked(item.hidesIdentifying);
    setWaiting(false);
    if (!isVisible())
        open();
}

void QorvCSAttachmentReviewDialog::endReview()
{
    m_answer = {};
    m_waiting = false;
    m_cancelledWhileWaiting = false;
    if (isVisible())
        reject();
}

void QorvCSAttachmentReviewDialog::answer(QorvCSAttachmentReviewChoice choice)
{
    // The answer may start the next review at once: it is taken out first.
    Answer pending = std::move(m_answer);
    m_answer = {};
    if (pending)
        pending(choice);
}

void QorvCSAttachmentReviewDialog::setWaiting(bool waiting)
{
    m_waiting = waiting;
    m_hide->setEnabled(!waiting);
    m_view->setEnabled(!waiting);
    m_send->setEnabled(!waiting);
}
