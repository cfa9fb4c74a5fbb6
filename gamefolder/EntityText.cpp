#include "gamefolder/EntityText.h"

#include <array>
#include <cstring>

namespace tolvex {

namespace {

struct Token {
    QByteArrayView text;
    bool quoted = false;
    [[nodiscard]] bool is(char brace) const { return !quoted && text.size() == 1 && text.front() == brace; }
};

// What a byte means to the tokenizer outside quotes: blanks are every byte
// up to and including the space, a word ends at a blank, a brace, a quote or
// a slash that may start a comment.
enum ByteClass : unsigned char { kBlank = 1, kEndsWord = 2 };

constexpr std::array<unsigned char, 256> kByteClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c <= ' '; ++c)
        classes[size_t(c)] = kBlank | kEndsWord;
    for (const char c : {'{', '}', '"', '/'})
        classes[size_t(c)] = kEndsWord;
    return classes;
}();

// Walks the text by pointer: map texts are read by the thousand, and most
// of their bytes lie inside quotes, which are crossed a block at a time.
class Tokenizer {
public:
    explicit Tokenizer(QByteArrayView text) : m_at(text.data()), m_end(text.data() + text.size()) {}

    // The next token; false at the end of the text.
    bool next(Token& token)
    {
        skipBlanksAndComments();
        if (m_at == m_end)
            return false;
        const char* const start = m_at;
        if (*start == '"') {
            const char* const close = find(start + 1, '"');
            token = Token{QByteArrayView(start + 1, close - start - 1), true};
            m_at = close == m_end ? m_end : close + 1;
            return true;
        }
        if (*start == '{' || *start == '}') {
            token = Token{QByteArrayView(m_at++, 1), false};
            return true;
        }
        // A lone slash belongs to the word; only "//" ends it.
        ++m_at;
        while (m_at != m_end && !((classOf(*m_at) & kEndsWord) != 0 && (*m_at != '/' || startsComment())))
            ++m_at;
        token = Token{QByteArrayView(start, m_at - start), false};
        return true;
    }

private:
    static unsigned char classOf(char c) { return kByteClasses[static_cast<unsigned char>(c)]; }
    [[nodiscard]] bool startsComment() const { return *m_at == '/' && m_at + 1 != m_end && m_at[1] == '/'; }

    // The first c at or after from, or the end of the text.
    [[nodiscard]] const char* find(const char* from, char c) const
    {
        const void* hit = std::memchr(from, c, std::size_t(m_end - from));
        return hit ? static_cast<const char*>(hit) : m_end;
    }

    void skipBlanksAndComments()
    {
        while (m_at != m_end) {
            if ((classOf(*m_at) & kBlank) != 0)
                ++m_at;
            else if (startsComment())
                m_at = find(m_at + 2, '\n');
            else
                return;
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
    Token open;
    Token key;
    Token value;
    while (tokens.next(open)) {
        if (!open.is('{'))
            return std::nullopt;
        while (tokens.next(key) && !key.is('}')) {
            if (!tokens.next(value) || value.is('}'))
                break;
            visitor.pair(key.text, value.text);
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
