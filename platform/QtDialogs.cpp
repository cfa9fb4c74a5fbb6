#include "platform/QtDialogs.h"

#include "platform/ErrorReport.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace tolvex {

namespace {

QWidget* owner()
{
    return QApplication::activeWindow();
}

QStringList qtFilters(const std::vector<FileFilter>& filters)
{
    QStringList list;
    for (const FileFilter& f : filters) {
        QString patterns = f.pattern;
        patterns.replace(u';', u' ');
        list << QStringLiteral("%1 (%2)").arg(f.name, patterns.simplified());
    }
    return list;
}

std::optional<QString> runFileDialog(const FileDialogOptions& options, bool save)
{
    QFileDialog dialog(owner(), options.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(options.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(qtFilters(options.filters));
    dialog.setDefaultSuffix(options.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

void QtDialogs::showInfo(const QString& message)
{
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(kApplicationTitle), message,
                    QMessageBox::Ok, owner());
    box.exec();
}

void QtDialogs::showError(const QString& message, const QString& caption)
{
    QMessageBox box(QMessageBox::Critical, caption, message, QMessageBox::Ok, owner());
    box.exec();
}

bool QtDialogs::confirm(const QString& question, const QString& caption)
{
    QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::NoButton, owner());
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.exec();
    return box.clickedButton() == ok;
}

std::optional<QString> QtDialogs::openFile(const FileDialogOptions& options)
{
    return runFileDialog(options, false);
}

std::optional<QString> QtDialogs::saveFile(const FileDialogOptions& options)
{
    return runFileDialog(options, true);
}

bool QtDialogs::print(QPrinter& printer)
{
    QPrintDialog dialog(&printer, owner());
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace tolvex
