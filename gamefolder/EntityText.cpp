#include "gamefolder/EntityText.h"


namespace tolvex {

namespace {

struct Token {
    QByteArrayView text;
    bool quoted = false;
    [[nodiscard]] bool is(char brace) const { return !quoted && text.size() == 1 && text.front() == brace; }
};

// Walks the text by pointer: map texts are read by the thousand, most
// tokens are a few bytes, and a call per token would cost more than its bytes.
class Tokenizer {
public:
    explicit Tokenizer(QByteArrayView text) : m_at(text.data()), m_end(text.data() + text.size()) {}

    // The next token, or nothing at the end of the text.
    std::optional<Token> next()
    {
        skipBlanksAndComments();
        if (m_at == m_end)
            return std::nullopt;
        const char* const start = m_at;
        if (*start == '"') {
            ++m_at;
            while (m_at != m_end && *m_at != '"')
                ++m_at;
            const Token token{QByteArrayView(start + 1, m_at - start - 1), true};
            if (m_at != m_end)
                ++m_at;
            return token;
        }
        if (*start == '{' || *start == '}')
            return Token{QByteArrayView(m_at++, 1), false};
        while (m_at != m_end && !isBlank(*m_at) && *m_at != '{' && *m_at != '}' && *m_at != '"' && !startsComment())
            ++m_at;
        return Token{QByteArrayView(start, m_at - start), false};
    }

private:
    static bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
    [[nodiscard]] bool startsComment() const { return *m_at == '/' && m_at + 1 != m_end && m_at[1] == '/'; }

    void skipBlanksAndComments()
    {
        while (m_at != m_end) {
            if (isBlank(*m_at)) {
                ++m_at;
            } else if (startsComment()) {
                while (m_at != m_end && *m_at != '\n')
                    ++m_at;
            } else {
                return;
            }
        }
    }

    const char* m_at;
    const char* const m_end;
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

std::optional<int> readEntities(QByteArrayView text, EntityVisitor& visitor)
{
    int count = 0;
    Tokenizer tokens(text);
    while (const auto open = tokens.next()) {
        if (!open->is('{'))
            return std::nullopt;
        while (true) {
            const auto key = tokens.next();
            if (!key || key->is('}'))
                break;
            const auto value = tokens.next();
            if (!value || value->is('}'))
                break;
            visitor.pair(key->text, value->text);
        }
        visitor.entityEnd();
        ++count;
    }
    return count;
}

std::optional<std::vector<Entity>> parseEntities(QByteArrayView text)
{
    class Collector final : public EntityVisitor {
    public:
        std::vector<Entity> entities{1};
        void pair(QByteArrayView key, QByteArrayView value) override { entities.back().pairs.push_back({key, value}); }
        void entityEnd() override { entities.emplace_back(); }
    } collector;
    if (!readEntities(text, collector))
        return std::nullopt;
    collector.entities.pop_back();
    return std::move(collector.entities);
}

} // namespace tolvex
