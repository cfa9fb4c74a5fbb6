#include "game/SteamLibraries.h"

#include <QByteArray>


namespace tolvex {

namespace {

// The tokens of the key-value text, one after the other.
class Tokens {
public:
    enum class Kind { Text, Open, Close, End, Bad };
    struct Token {
        Kind kind = Kind::End;
        QByteArray text;
    };

    explicit Tokens(QByteArrayView text) : m_text(text.first(std::min(text.size(), kMaxLibraryFile))) {}

    Token next()
    {
        skipBlanksAndComments();
        if (m_at >= m_text.size())
            return {Kind::End, {}};
        const char c = m_text[m_at];
        if (c == '{' || c == '}') {
            ++m_at;
            return {c == '{' ? Kind::Open : Kind::Close, {}};
        }
        return c == '"' ? quoted() : bare();
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    void skipBlanksAndComments()
    {
        while (m_at < m_text.size()) {
            if (isBlank(m_text[m_at])) {
                ++m_at;
            } else if (m_text.sliced(m_at).startsWith("//")) {
                while (m_at < m_text.size() && m_text[m_at] != '\n')
                    ++m_at;
            } else {
                break;
            }
        }
    }

    Token quoted()
    {
        QByteArray text;
        for (++m_at; m_at < m_text.size(); ++m_at) {
            char c = m_text[m_at];
            if (c == '"') {
                ++m_at;
                return {Kind::Text, text};
            }
            if (c == '\\' && m_at + 1 < m_text.size()) {
                c = m_text[++m_at];
                c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            text += c;
        }
        return {Kind::Bad, {}}; // a quote that never closes
    }

    Token bare()
    {
        const qsizetype start = m_at;
        while (m_at < m_text.size() && !isBlank(m_text[m_at]) && m_text[m_at] != '"' && m_text[m_at] != '{'
               && m_text[m_at] != '}')
            ++m_at;
        return {Kind::Text, m_text.sliced(start, m_at - start).toByteArray()};
    }

    QByteArrayView m_text;
    qsizetype m_at = 0;
};

bool isNumber(const QByteArray& key)
{
    bool ok = false;
    (void)key.toUInt(&ok);
    return ok;
}

// Walks the blocks: the file's one outer block, the libraries' numbered
// entries inside it, and their keys.
class Reader {
public:
    explicit Reader(QByteArrayView text) : m_tokens(text) {}

    QStringList libraries()
    {
        block(0, {});
        return m_found;
    }

private:
    // Reads key-value pairs up to the block's end; false when the text ends badly.
    bool block(int depth, const QByteArray& parent)
    {
        while (true) {
            const Tokens::Token key = m_tokens.next();
            if (key.kind == Tokens::Kind::End)
                return depth == 0;
            if (key.kind == Tokens::Kind::Close)
                return depth > 0;
            if (key.kind != Tokens::Kind::Text)
                return false;
            Tokens::Token value = m_tokens.next();
            // A condition such as [$WIN32] may stand between key and value.
            if (value.kind == Tokens::Kind::Text && value.text.startsWith('[') && value.text.endsWith(']'))
                value = m_tokens.next();
            if (value.kind == Tokens::Kind::Open) {
                if (depth + 1 >= kMaxVdfDepth || !block(depth + 1, key.text))
                    return false;
                // A library's block is done: its path, given anywhere inside, counts.
                if (depth == 1) {
                    if (isNumber(key.text) && !m_pendingPath.isEmpty())
                        m_found << m_pendingPath;
                    m_pendingPath.clear();
                }
                continue;
            }
            if (value.kind != Tokens::Kind::Text)
                return false;
            if (depth == 1 && isNumber(key.text) && !value.text.isEmpty())
                m_found << QString::fromUtf8(value.text); // the old form: "1" "/path"
            else if (depth == 2 && key.text.compare("path", Qt::CaseInsensitive) == 0 && isNumber(parent))
                m_pendingPath = QString::fromUtf8(value.text);
        }
    }

    Tokens m_tokens;
    QStringList m_found;
    QString m_pendingPath;
};

} // namespace

QStringList libraryPaths(QByteArrayView vdf)
{
    return Reader(vdf).libraries();
}

} // namespace tolvex
