#include "platform/dialogs/QtDialogs.h"

#include "platform/dialogs/ErrorReport.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSortFilterProxyModel>

#include <algorithm>

namespace tolvex {

namespace {

bool staysOnTop(const QWidget* window)
{
    return window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// The window a box belongs to: the one the user acted in, else the topmost
// of the program's visible windows.
QWidget* owner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    QWidget* visible = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (staysOnTop(window))
            return window;
        if (!visible && window->isVisible())
            visible = window;
    }
    return visible;
}

// A box opens in front of every window of the program, those that stay on
// top included, and holds the whole program until it is answered; otherwise
// it can open behind a stay-on-top window, where nobody can reach it.
void putInFront(QDialog& dialog)
{
    dialog.setWindowModality(Qt::ApplicationModal);
    const auto windows = QApplication::topLevelWidgets();
    if (std::any_of(windows.begin(), windows.end(), [&dialog](const QWidget* w) { return w != &dialog && staysOnTop(w); }))
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

int runInFront(QDialog& dialog)
{
    putInFront(dialog);
    return dialog.exec();
}

// Hides what the user may not run while its filter is chosen. Linux programs
// have no extension a name filter could pick them by.
class ExecutablesFilter final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setActive(bool active)
    {
        m_active = active;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!m_active || !files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }

private:
    bool m_active = false;
};

QString qtFilter(const FileFilter& filter)
{
    QString patterns = filter.pattern;
    patterns.replace(u';', u' ');
    return QStringLiteral("%1 (%2)").arg(filter.name, patterns.simplified());
}

std::optional<QString> runFileDialog(const FileDialogOptions& options, bool save)
{
    QFileDialog dialog(owner(), options.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(options.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList filters;
    QString executables;
    for (const FileFilter& f : options.filters) {
        filters << qtFilter(f);
        if (f.executablesOnly)
            executables = filters.back();
    }
    if (!executables.isEmpty()) {
        // Only Qt's own dialog lets a model decide which files show.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* proxy = new ExecutablesFilter(&dialog);
        dialog.setProxyModel(proxy);
        QObject::connect(&dialog, &QFileDialog::filterSelected, proxy,
                         [proxy, executables](const QString& filter) { proxy->setActive(filter == executables); });
    }
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(options.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    dialog.setSizeGripEnabled(true);
    if (runInFront(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

void QtDialogs::showInfo(const QString& message)
{
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(kApplicationTitle), message,
                    QMessageBox::Ok, owner());
    runInFront(box);
}

void QtDialogs::showError(const QString& message, const QString& caption)
{
    QMessageBox box(QMessageBox::Critical, caption, message, QMessageBox::Ok, owner());
    runInFront(box);
}

bool QtDialogs::confirm(const QString& question, const QString& caption)
{
    QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::NoButton, owner());
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    runInFront(box);
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
    return runInFront(dialog) == QDialog::Accepted;
}

} // namespace tolvex
