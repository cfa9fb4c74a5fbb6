#include "gamefolder/EntityText.h"

#include <cstring>

namespace tolvex {

namespace {

struct Token {
    QByteArrayView text;
    bool quoted = false;
    [[nodiscard]] bool is(char brace) const { return !quoted && text.size() == 1 && text.front() == brace; }
};

class Tokenizer {
public:
    explicit Tokenizer(QByteArrayView text) : m_text(text) {}

    // The next token, or nothing at the end of the text.
    std::optional<Token> next()
    {
        skipBlanksAndComments();
        if (m_at >= m_text.size())
            return std::nullopt;
        const char c = m_text[m_at];
        if (c == '"') {
            const qsizetype start = ++m_at;
            const void* end = std::memchr(m_text.data() + start, '"', size_t(m_text.size() - start));
            m_at = end ? static_cast<const char*>(end) - m_text.data() : m_text.size();
            const Token token{m_text.sliced(start, m_at - start), true};
            if (m_at < m_text.size())
                ++m_at;
            return token;
        }
        if (c == '{' || c == '}')
            return Token{m_text.sliced(m_at++, 1), false};
        const qsizetype start = m_at;
        while (m_at < m_text.size() && !isBlank(m_text[m_at]) && m_text[m_at] != '{' && m_text[m_at] != '}'
               && m_text[m_at] != '"' && !startsComment())
            ++m_at;
        return Token{m_text.sliced(start, m_at - start), false};
    }

private:
    static bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
    [[nodiscard]] bool startsComment() const
    {
        return m_text[m_at] == '/' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '/';
    }

    void skipBlanksAndComments()
    {
        while (m_at < m_text.size()) {
            if (isBlank(m_text[m_at])) {
                ++m_at;
            } else if (startsComment()) {
                while (m_at < m_text.size() && m_text[m_at] != '\n')
                    ++m_at;
            } else {
                return;
            }
        }
    }

    QByteArrayView m_text;
    qsizetype m_at = 0;
};

} // namespace

std::optional<QByteArrayView> Entity::value(QByteArrayView key) const
{
    for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) {
        if (it->key == key)
            return it->value;
    }
    return std::nullopt;
}

std::optional<std::vector<Entity>> parseEntities(QByteArrayView text)
{
    std::vector<Entity> entities;
    // A map's entity takes some 80 bytes of text at least.
    entities.reserve(size_t(text.size() / 80));
    Tokenizer tokens(text);
    while (const auto open = tokens.next()) {
        if (!open->is('{'))
            return std::nullopt;
        Entity& entity = entities.emplace_back();
        // Most entities hold a handful of pairs: one allocation for them.
        entity.pairs.reserve(8);
        while (true) {
            const auto key = tokens.next();
            if (!key || key->is('}'))
                break;
            const auto value = tokens.next();
            if (!value || value->is('}'))
                break;
            entity.pairs.push_back({key->text, value->text});
        }
    }
    return entities;
}

} // namespace tolvex
