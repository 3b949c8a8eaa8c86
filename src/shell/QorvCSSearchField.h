#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

// The toolbar's search: a field, the "N of M" count beside it, and previous/next buttons. It asks for searches and
// shows what they found; Escape empties it. An empty field shows no count.
class QorvCSSearchField : public QWidget {
    Q_OBJECT
public:
    explicit QorvCSSearchField(QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return m_field; }
    QLabel* countLabel() const { return m_count; }
    QToolButton* previousButton() const { return m_previous; }
    QToolButton* nextButton() const { return m_next; }
    // Whether the last search of a non-empty text found nothing.
    bool isNotFound() const { return m_notFound; }

public slots:
    // The result of the last search: activeMatch counts from 1 (0: none active), matches may be 0.
    void showResult(const QString& text, int activeMatch, int matches);
    // The page the last result was counted in changed (a new document, replaced tables): its count and highlight
    // are gone. The text stays, and the next step searches it afresh.
    void forgetResult();
    void findNext() { emit searchRequested(currentText(), true); }
    void findPrevious() { emit searchRequested(currentText(), false); }

signals:
    void searchRequested(const QString& text, bool forward);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString currentText() const;
    void setNotFound(bool notFound);

    QLineEdit* m_field = nullptr;
    QLabel* m_count = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    bool m_notFound = false;
};
