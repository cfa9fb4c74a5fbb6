#include "tests/support/ScriptedDialogs.h"

#include "common/toolbox.h"

#include "platform/dialogs/ErrorReport.h"

#include <QPrinter>

namespace tolvex {

namespace {

std::optional<QString> takeFront(std::deque<ScriptedDialogs::Answer>& queue)
{
    if (queue.empty())
        return std::nullopt; // an unscripted dialog is cancelled
    const ScriptedDialogs::Answer front = queue.front();
    queue.pop_front();
    if (!front.confirmed)
        return std::nullopt;
    return front.path;
}

// What the real dialog does to a name typed without extension.
QString withDefaultSuffix(const QString& path, const QString& suffix)
{
    if (suffix.isEmpty() || NamePart(path).contains(u'.'))
        return path;
    return path + u'.' + suffix;
}

} // namespace

QStringList ScriptedDialogs::messages(Kind kind) const
{
    QStringList texts;
    for (const Shown& s : m_shown) {
        if (s.kind == kind)
            texts << s.text;
    }
    return texts;
}

void ScriptedDialogs::showInfo(const QString& message)
{
    m_shown.push_back({Kind::Info, message, QString::fromLatin1(kApplicationTitle), {}});
}

void ScriptedDialogs::showError(const QString& message, const QString& caption)
{
    m_shown.push_back({Kind::Error, message, caption, {}});
}

bool ScriptedDialogs::confirm(const QString& question, const QString& caption)
{
    m_shown.push_back({Kind::Confirm, question, caption, {}});
    if (m_confirms.empty())
        return false;
    const bool ok = m_confirms.front();
    m_confirms.pop_front();
    return ok;
}

std::optional<QString> ScriptedDialogs::openFile(const FileDialogOptions& options)
{
    m_shown.push_back({Kind::OpenFile, {}, options.title, options});
    auto path = takeFront(m_openFiles);
    if (path)
        *path = withDefaultSuffix(*path, options.defaultSuffix);
    return path;
}

std::optional<QString> ScriptedDialogs::saveFile(const FileDialogOptions& options)
{
    m_shown.push_back({Kind::SaveFile, {}, options.title, options});
    auto path = takeFront(m_saveFiles);
    if (path)
        *path = withDefaultSuffix(*path, options.defaultSuffix);
    return path;
}

bool ScriptedDialogs::print(QPrinter& printer)
{
    m_shown.push_back({Kind::Print, {}, {}, {}});
    const auto pdf = takeFront(m_prints);
    if (!pdf)
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*pdf);
    return true;
}

} // namespace tolvex
