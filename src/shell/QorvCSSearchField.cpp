#include "QorvCSSearchField.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

QorvCSSearchField::QorvCSSearchField(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("search"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setClearButtonEnabled(true);
    m_field->setFixedWidth(220);
    m_field->installEventFilter(this);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("searchCount"));
    m_count->setMinimumWidth(m_count->fontMetrics().horizontalAdvance(tr("Not found")) + 4);
    const auto stepButton = [this](const char* name, const char* icon, Qt::ArrowType arrow, const QString& text) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(QIcon::fromTheme(QString::fromLatin1(icon)));
        if (button->icon().isNull())
            button->setArrowType(arrow);
        button->setToolTip(text);
        button->setAccessibleName(text);
        button->setAutoRaise(true);
        return button;
    };
    m_previous = stepButton("searchPrevious", "go-up", Qt::UpArrow, tr("Previous match"));
    m_next = stepButton("searchNext", "go-down", Qt::DownArrow, tr("Next match"));
    layout->addWidget(m_field);
    layout->addWidget(m_count);
    layout->addWidget(m_previous);
    layout->addWidget(m_next);

    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            showResult(text, 0, 0);
        emit searchRequested(text, true);
    });
    connect(m_field, &QLineEdit::returnPressed, this, &QorvCSSearchField::findNext);
    connect(m_next, &QToolButton::clicked, this, &QorvCSSearchField::findNext);
    connect(m_previous, &QToolButton::clicked, this, &QorvCSSearchField::findPrevious);
    // The count and the buttons stay beside the field, however wide the toolbar.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    showResult({}, 0, 0);
}

QString QorvCSSearchField::currentText() const
{
    return m_field->text();
}

void QorvCSSearchField::showResult(const QString& text, int activeMatch, int matches)
{
    // A result for a text the field no longer holds (the user typed on) is stale.
    if (text != m_field->text())
        return;
    const bool searching = !text.isEmpty();
    m_previous->setEnabled(searching && matches > 0);
    m_next->setEnabled(searching && matches > 0);
    setNotFound(searching && matches == 0);
    if (!searching)
        m_count->clear();
    else if (matches == 0)
        m_count->setText(tr("Not found"));
    else
        m_count->setText(tr("%1 of %2").arg(std::max(activeMatch, 1)).arg(matches));
}

void QorvCSSearchField::forgetResult()
{
    const bool searching = !m_field->text().isEmpty();
    m_previous->setEnabled(searching);
    m_next->setEnabled(searching);
    setNotFound(false);
    m_count->clear();
}

void QorvCSSearchField::setNotFound(bool notFound)
{
    m_notFound = notFound;
    // A fixed pair of reds for the field, readable whatever the palette; the count keeps the palette behind it.
    m_field->setStyleSheet(notFound ? QStringLiteral("QLineEdit { background: #fde2e1; color: #7a1212; }") : QString());
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    m_count->setStyleSheet(
        notFound ? (dark ? QStringLiteral("color: #ff938a;") : QStringLiteral("color: #b3141f;")) : QString());
}

bool QorvCSSearchField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !m_field->text().isEmpty()) {
            m_field->clear();
            return true;
        }
        if (key->key() == Qt::Key_Return && key->modifiers() & Qt::ShiftModifier) {
            findPrevious();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
