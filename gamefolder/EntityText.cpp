#include "gamefolder/EntityText.h"

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
            while (m_at < m_text.size() && m_text[m_at] != '"')
                ++m_at;
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
    Tokenizer tokens(text);
    while (const auto open = tokens.next()) {
        if (!open->is('{'))
            return std::nullopt;
        Entity& entity = entities.emplace_back();
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
