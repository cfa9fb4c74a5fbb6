#include "platform/files/ProfileFile.h"

#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "platform/files/IntegerText.h"
#include "platform/files/SafeFile.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

namespace {

// The reading buffer of the profile functions holds 2,048 bytes with the terminator.
constexpr qsizetype kMaxValueLength = 2047;

// Each line is held on its own; a file of millions of tiny lines would take
// gigabytes. konfig.ini has a few dozen.
constexpr qsizetype kMaxLines = 1000000;

qsizetype lineCount(const QByteArray& bytes)
{
    qsizetype count = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n')))
            ++count;
    }
    return count;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

ProfileFile::ProfileFile(QString path)
    : m_path(std::move(path))
    , m_newLineEnding(QStringLiteral("\r\n"))
{
    if (m_path.isEmpty())
        return;
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return;
    const auto bytes = readWholeFile(m_path);
    if (!bytes || lineCount(*bytes) > kMaxLines) {
        // Something is there that we cannot read; writing would destroy it.
        m_unreadable = true;
        return;
    }

    const QString text = cp1252::decode(*bytes);
    bool endingSeen = false;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        const qsizetype endingLength = c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n' ? 2 : 1;
        Line line;
        line.text = text.sliced(start, i - start);
        line.ending = text.sliced(i, endingLength);
        classify(line);
        if (!endingSeen) {
            // Lines we add follow the file's own style.
            m_newLineEnding = line.ending;
            endingSeen = true;
        }
        m_lines.push_back(std::move(line));
        i += endingLength - 1;
        start = i + 1;
    }
    if (start < size) {
        Line line;
        line.text = text.sliced(start);
        classify(line);
        m_lines.push_back(std::move(line));
    }
}

ProfileFile::~ProfileFile()
{
    if (!m_dirty)
        return;
    try {
        store();
    } catch (...) {
        // Best effort only: a destructor must not throw, and an explicit
        // flush() is where failures are reported.
    }
}

void ProfileFile::classify(Line& line)
{
    line.kind = Kind::Other;
    line.name.clear();
    line.valueStart = 0;

    const QStringView text = line.text;
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i == text.size() || text[i] == u';')
        return;

    if (text[i] == u'[') {
        const qsizetype close = text.indexOf(u']', i + 1);
        if (close < 0)
            return;
        line.kind = Kind::Section;
        line.name = trimmedBlanks(text.sliced(i + 1, close - i - 1)).toString();
        return;
    }

    const qsizetype equals = text.indexOf(u'=', i);
    if (equals < 0)
        return;
    const QStringView name = trimmedBlanks(text.sliced(i, equals - i));
    if (name.isEmpty())
        return;
    line.kind = Kind::Key;
    line.name = name.toString();
    line.valueStart = equals + 1;
}

const ProfileFile::Line* ProfileFile::findKey(const QString& section, const QString& key) const
{
    bool inSection = false;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section)
            inSection = sameName(line.name, section);
        else if (inSection && line.kind == Kind::Key && sameName(line.name, key))
            return &line;
    }
    return nullptr;
}

QString ProfileFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Line* line = findKey(section, key);
    if (!line)
        return defaultValue;
    const QStringView value = trimmedBlanks(QStringView(line->text).sliced(line->valueStart));
    return value.first(std::min(value.size(), kMaxValueLength)).toString();
}

int ProfileFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    const Line* line = findKey(section, key);
    if (!line)
        return defaultValue;
    const QStringView value = trimmedBlanks(QStringView(line->text).sliced(line->valueStart));
    return parseIntegerText(value).value_or(defaultValue);
}

bool ProfileFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QString ProfileFile::writeFailureMessage() const
{
    return formatMessage(QStringLiteral("nach %s kann nicht geschrieben werden"), {m_path});
}

void ProfileFile::ensureWritable() const
{
    // The rules of the save that will follow, so that a write it would refuse fails at once.
    if (m_unreadable || !maySave(m_path))
        throw TolvexError(writeFailureMessage());
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value)
{
    ensureWritable();

    // A line break would split the value into lines of their own.
    QString text = value;
    text.replace(u'\r', u' ').replace(u'\n', u' ');

    const auto linkToPrevious = [this](std::size_t index) {
        if (index > 0 && m_lines[index - 1].ending.isEmpty())
            m_lines[index - 1].ending = m_newLineEnding;
    };
    const auto makeLine = [this](QString lineText) {
        Line line;
        line.text = std::move(lineText);
        line.ending = m_newLineEnding;
        classify(line);
        return line;
    };

    if (const Line* found = findKey(section, key)) {
        Line& line = m_lines[std::size_t(found - m_lines.data())];
        // Keep the key as the file spells it, and the blanks after the "=".
        qsizetype keep = line.valueStart;
        while (keep < line.text.size() && isBlank(line.text.at(keep)))
            ++keep;
        line.text = line.text.left(keep) + text;
        m_dirty = true;
        return;
    }

    std::size_t sectionIndex = m_lines.size();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && sameName(m_lines[i].name, section)) {
            sectionIndex = i;
            break;
        }
    }

    if (sectionIndex == m_lines.size()) {
        linkToPrevious(m_lines.size());
        m_lines.push_back(makeLine(u'[' + section + u']'));
        m_lines.push_back(makeLine(key + u'=' + text));
        m_dirty = true;
        return;
    }

    // After the section's last line that isn't blank, so blank lines that
    // separate it from the next section stay where they are.
    std::size_t insertAt = sectionIndex + 1;
    for (std::size_t i = sectionIndex + 1; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i) {
        if (!trimmedBlanks(m_lines[i].text).isEmpty())
            insertAt = i + 1;
    }
    linkToPrevious(insertAt);
    m_lines.insert(m_lines.begin() + std::ptrdiff_t(insertAt), makeLine(key + u'=' + text));
    m_dirty = true;
}

void ProfileFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void ProfileFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void ProfileFile::flush()
{
    if (m_dirty)
        store();
}

void ProfileFile::store()
{
    QString text;
    qsizetype total = 0;
    for (const Line& line : m_lines)
        total += line.text.size() + line.ending.size();
    text.reserve(total);
    for (const Line& line : m_lines) {
        text += line.text;
        text += line.ending;
    }
    if (saveAtomically(m_path, cp1252::encode(text)))
        throw TolvexError(writeFailureMessage());
    m_dirty = false;
}

} // namespace tolvex
