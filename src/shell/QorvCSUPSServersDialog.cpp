#include "QorvCSUPSServersDialog.h"

#include "QorvCSUPSServerAddress.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QStringList toStringList(const std::vector<std::string>& texts)
{
    QStringList list;
    for (const auto& text : texts)
        list.append(QString::fromStdString(text));
    return list;
}

} // namespace

QorvCSUPSServersDialog::QorvCSUPSServersDialog(
    const std::optional<std::vector<std::string>>& chosen, const std::vector<std::string>& defaults, QWidget* parent)
    : QDialog(parent)
    , m_defaults(toStringList(defaults))
    , m_isDefault(!chosen)
    , m_list(new QListWidget(this))
    , m_entry(new QLineEdit(this))
    , m_message(new QLabel(this))
    , m_add(new QPushButton(tr("&Add"), this))
    , m_remove(new QPushButton(tr("&Remove"), this))
    , m_reset(new QPushButton(tr("Reset to &Default"), this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(tr("UPS Servers"));
    auto* intro = new QLabel(tr("UPSes are read from these Network UPS Tools servers (upsd), "
                                "given as a host name or address with an optional port."),
        this);
    intro->setWordWrap(true);
    m_entry->setPlaceholderText(tr("host or host:port, e.g. localhost:3493"));
    m_message->setWordWrap(true);
    m_message->setForegroundRole(QPalette::PlaceholderText);

    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(m_remove);
    buttonColumn->addWidget(m_reset);
    buttonColumn->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(m_list, 1);
    listRow->addLayout(buttonColumn);
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(m_entry, 1);
    entryRow->addWidget(m_add);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(listRow);
    layout->addLayout(entryRow);
    layout->addWidget(m_message);
    layout->addWidget(m_buttons);

    for (auto* button : { m_add, m_remove, m_reset })
        button->setAutoDefault(false);
    connect(m_entry, &QLineEdit::textChanged, this, &QorvCSUPSServersDialog::updateState);
    connect(m_add, &QPushButton::clicked, this, &QorvCSUPSServersDialog::addEntry);
    connect(m_remove, &QPushButton::clicked, this, [this] {
        delete m_list->currentItem();
        m_isDefault = false;
        updateState();
    });
    connect(m_reset, &QPushButton::clicked, this, [this] {
        setServers(m_defaults);
        m_isDefault = true;
        updateState();
    });
    connect(m_list, &QListWidget::currentRowChanged, this, &QorvCSUPSServersDialog::updateState);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    setServers(chosen ? toStringList(*chosen) : m_defaults);
    updateState();
    // Ready to type a server; the list is a click or Shift+Tab away.
    m_entry->setFocus();
    resize(440, sizeHint().height());
}

void QorvCSUPSServersDialog::keyPressEvent(QKeyEvent* event)
{
    // Return in a filled-in field adds what was typed (when it can) rather than closing the dialog.
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && m_entry->hasFocus() && !m_entry->text().trimmed().isEmpty()) {
        if (m_add->isEnabled())
            addEntry();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void QorvCSUPSServersDialog::setServers(const QStringList& servers)
{
    m_list->clear();
    m_list->addItems(servers);
}

QStringList QorvCSUPSServersDialog::listed() const
{
    QStringList servers;
    for (int row = 0; row < m_list->count(); ++row)
        servers.append(m_list->item(row)->text());
    return servers;
}

void QorvCSUPSServersDialog::addEntry()
{
    m_list->addItem(m_entry->text().trimmed());
    m_list->setCurrentRow(m_list->count() - 1);
    m_isDefault = false;
    m_entry->clear();
    updateState();
}

void QorvCSUPSServersDialog::updateState()
{
    const QString text = m_entry->text().trimmed();
    using Problem = QorvCSUPSServerAddress::Problem;
    const Problem problem = QorvCSUPSServerAddress::check(text.toStdString());
    QString message;
    if (text.isEmpty())
        message.clear();
    else if (problem == Problem::badHost)
        message = tr("“%1” is not a host name or address. Use a name such as ups.example.org, an IPv4 address or "
                     "an IPv6 address in brackets, such as [::1].")
                      .arg(text);
    else if (problem == Problem::badPort)
        message = tr("The port after the colon must be a number from 1 to 65535.");
    else if (listed().contains(text))
        message = tr("“%1” is already in the list.").arg(text);
    else if (size_t(m_list->count()) >= QorvCSUPSServerAddress::maximumServers)
        message = tr("At most %1 servers can be read.").arg(QorvCSUPSServerAddress::maximumServers);
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
    m_add->setEnabled(!text.isEmpty() && message.isEmpty());
    m_remove->setEnabled(m_list->currentItem() != nullptr);
    m_reset->setEnabled(!m_isDefault || listed() != m_defaults);
}

std::optional<std::vector<std::string>> QorvCSUPSServersDialog::chosenServers() const
{
    if (m_isDefault)
        return std::nullopt;
    std::vector<std::string> servers;
    for (const QString& server : listed())
        servers.push_back(server.toStdString());
    return servers;
}
