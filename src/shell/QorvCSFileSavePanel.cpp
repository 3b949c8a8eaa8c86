#include "QorvCSFileSavePanel.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

void QorvCSFileSavePanel::beginSheet(const Options& options, Completion completion)
{
    auto* dialog = new QFileDialog(m_window);
    dialog->setObjectName(QStringLiteral("savePanel"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    const QString type = QString::fromStdString(options.fileType);
    dialog->setNameFilter(QStringLiteral("%1 (*.%2)").arg(type.toUpper(), type));
    dialog->setDefaultSuffix(type);
    dialog->setWindowTitle(QString::fromStdString(options.title));
    dialog->setLabelText(QFileDialog::Accept, QString::fromStdString(options.prompt));
    QString folder = QString::fromStdString(options.directory);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    dialog->setDirectory(folder);
    dialog->selectFile(QString::fromStdString(options.nameFieldValue) + QLatin1Char('.') + type);
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, completion](int result) {
        // The panel is ordered out before the work starts.
        dialog->hide();
        const QStringList files = dialog->selectedFiles();
        if (result == QDialog::Accepted && !files.isEmpty())
            completion(files.first().toStdString());
        else
            completion(std::nullopt);
    });
    dialog->open();
}
