#pragma once

#include <QDialog>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

class QDialogButtonBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The upsd servers the window reads, "host[:port]" each: a list with Add (from the field below it, checked as typed),
// Remove and Reset to Default (the bundle's list), OK / Cancel.
class QorvCSUPSServersDialog : public QDialog {
    Q_OBJECT
public:
    // chosen: the servers chosen earlier, nullopt when the defaults hold.
    QorvCSUPSServersDialog(const std::optional<std::vector<std::string>>& chosen,
        const std::vector<std::string>& defaults, QWidget* parent = nullptr);

    // What the dialog holds now: nullopt when it is the defaults, untouched or reset to.
    std::optional<std::vector<std::string>> chosenServers() const;

    QListWidget* serverList() const { return m_list; }
    QLineEdit* entry() const { return m_entry; }
    QLabel* messageLabel() const { return m_message; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* resetButton() const { return m_reset; }
    QDialogButtonBox* buttons() const { return m_buttons; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setServers(const QStringList& servers);
    void addEntry();
    void updateState();
    QStringList listed() const;

    QStringList m_defaults;
    bool m_isDefault = true;
    QListWidget* m_list;
    QLineEdit* m_entry;
    QLabel* m_message;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_reset;
    QDialogButtonBox* m_buttons;
};
