#include "platform/report/SelectionFormula.h"

#include <QList>

namespace {

struct Token
{
    enum class Kind
    {
        Field,
        Word,
        Number,
        Operator,
        Open,
        Close,
        Comma,
        End
    };
    Kind kind;
    QString text;
    qsizetype position;
};

bool isIdentifier(const QString& s)
{
    if (s.isEmpty() || !(s[0].isLetter() || s[0] == QLatin1Char('_')))
        return false;
    for (QChar c : s)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_')))
            return false;
    return true;
}

// Splits the text into tokens; false with a message on a character that starts no token.
bool tokenize(const QString& text, QList<Token>& tokens, QString& error)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('{')) {
            const qsizetype close = text.indexOf(QLatin1Char('}'), i + 1);
            if (close < 0) {
                error = QStringLiteral("unclosed field at %1").arg(i);
                return false;
            }
            tokens.append({Token::Kind::Field, text.mid(i + 1, close - i - 1), i});
            i = close + 1;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            qsizetype j = i;
            while (j < n && (text[j].isLetterOrNumber() || text[j] == QLatin1Char('_')))
                ++j;
            tokens.append({Token::Kind::Word, text.mid(i, j - i), i});
            i = j;
        } else if (c.isDigit()) {
            qsizetype j = i;
            while (j < n && text[j].isDigit())
                ++j;
            tokens.append({Token::Kind::Number, text.mid(i, j - i), i});
            i = j;
        } else if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
            const bool orEqual = i + 1 < n && text[i + 1] == QLatin1Char('=');
            tokens.append({Token::Kind::Operator, text.mid(i, orEqual ? 2 : 1), i});
            i += orEqual ? 2 : 1;
        } else if (c == QLatin1Char('=')) {
            tokens.append({Token::Kind::Operator, QStringLiteral("="), i++});
        } else if (c == QLatin1Char('(')) {
            tokens.append({Token::Kind::Open, QStringLiteral("("), i++});
        } else if (c == QLatin1Char(')')) {
            tokens.append({Token::Kind::Close, QStringLiteral(")"), i++});
        } else if (c == QLatin1Char(',')) {
            tokens.append({Token::Kind::Comma, QStringLiteral(","), i++});
        } else {
            error = QStringLiteral("unexpected '%1' at %2").arg(c).arg(i);
            return false;
        }
    }
    tokens.append({Token::Kind::End, QString(), n});
    return true;
}

} // namespace

// Recursive descent over the token list:
//   formula    := <nothing> | field comparison <end>
//   comparison := operator date | "in" date "to" date
//   date       := "Date" "(" number "," number "," number ")"
class SelectionFormulaParser
{
public:
    explicit SelectionFormulaParser(QList<Token> tokens) : m_tokens(std::move(tokens)) {}

    std::optional<SelectionFormula> formula()
    {
        SelectionFormula f;
        if (peek().kind == Token::Kind::End)
            return f;
        if (!field(f))
            return std::nullopt;
        const Token& t = next();
        if (t.kind == Token::Kind::Operator) {
            static const QList<std::pair<QString, SelectionFormula::Comparison>> operators = {
                {QStringLiteral("<"), SelectionFormula::Comparison::Less},
                {QStringLiteral("<="), SelectionFormula::Comparison::LessOrEqual},
                {QStringLiteral("="), SelectionFormula::Comparison::Equal},
                {QStringLiteral(">="), SelectionFormula::Comparison::GreaterOrEqual},
                {QStringLiteral(">"), SelectionFormula::Comparison::Greater},
            };
            for (const auto& [text, comparison] : operators)
                if (t.text == text)
                    f.m_comparison = comparison;
            const std::optional<QDate> d = date();
            if (!d)
                return std::nullopt;
            f.m_first = f.m_last = *d;
        } else if (isWord(t, "in")) {
            const std::optional<QDate> from = date();
            if (!from || !expectWord("to"))
                return std::nullopt;
            const std::optional<QDate> to = date();
            if (!to)
                return std::nullopt;
            f.m_comparison = SelectionFormula::Comparison::InRange;
            f.m_first = *from;
            f.m_last = *to;
        } else {
            return fail(t, QStringLiteral("a comparison"));
        }
        if (peek().kind != Token::Kind::End)
            return fail(peek(), QStringLiteral("the end of the formula"));
        return f;
    }

    QString error;

private:
    const Token& peek() const { return m_tokens[m_at]; }
    const Token& next()
    {
        const Token& t = m_tokens[m_at];
        if (t.kind != Token::Kind::End)
            ++m_at;
        return t;
    }

    static bool isWord(const Token& t, const char* word)
    {
        return t.kind == Token::Kind::Word &&
               t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    std::nullopt_t fail(const Token& t, const QString& expected)
    {
        const QString found = t.kind == Token::Kind::End
                                  ? QStringLiteral("the end")
                                  : QLatin1Char('\'') + t.text + QLatin1Char('\'');
        error =
            QStringLiteral("expected %1 at %2, found %3").arg(expected).arg(t.position).arg(found);
        return std::nullopt;
    }

    bool expect(Token::Kind kind, const QString& what)
    {
        if (peek().kind == kind) {
            next();
            return true;
        }
        fail(peek(), what);
        return false;
    }

    bool expectWord(const char* word)
    {
        if (isWord(peek(), word)) {
            next();
            return true;
        }
        fail(peek(), QLatin1Char('"') + QLatin1String(word) + QLatin1Char('"'));
        return false;
    }

    bool field(SelectionFormula& f)
    {
        const Token& t = next();
        if (t.kind != Token::Kind::Field) {
            fail(t, QStringLiteral("a field in braces"));
            return false;
        }
        const QStringList parts = t.text.trimmed().split(QLatin1Char('.'));
        if (parts.size() != 2 || !isIdentifier(parts[0]) || !isIdentifier(parts[1])) {
            error = QStringLiteral("field {%1} is not {Table.Field}").arg(t.text);
            return false;
        }
        f.m_table = parts[0];
        f.m_field = parts[1];
        return true;
    }

    std::optional<int> number()
    {
        const Token& t = next();
        bool ok = false;
        const int value = t.kind == Token::Kind::Number ? t.text.toInt(&ok) : 0;
        if (!ok)
            return fail(t, QStringLiteral("a number"));
        return value;
    }

    std::optional<QDate> date()
    {
        const qsizetype position = peek().position;
        if (!expectWord("Date") || !expect(Token::Kind::Open, QStringLiteral("'('")))
            return std::nullopt;
        const std::optional<int> y = number();
        if (!y || !expect(Token::Kind::Comma, QStringLiteral("','")))
            return std::nullopt;
        const std::optional<int> m = number();
        if (!m || !expect(Token::Kind::Comma, QStringLiteral("','")))
            return std::nullopt;
        const std::optional<int> d = number();
        if (!d || !expect(Token::Kind::Close, QStringLiteral("')'")))
            return std::nullopt;
        const QDate result(*y, *m, *d);
        if (!result.isValid()) {
            error = QStringLiteral("no such date at %1").arg(position);
            return std::nullopt;
        }
        return result;
    }

    QList<Token> m_tokens;
    qsizetype m_at = 0;
};

std::optional<SelectionFormula> SelectionFormula::parse(const QString& text, QString* error)
{
    QList<Token> tokens;
    QString message;
    std::optional<SelectionFormula> result;
    if (tokenize(text, tokens, message)) {
        SelectionFormulaParser parser(std::move(tokens));
        result = parser.formula();
        message = parser.error;
    }
    if (!result && error)
        *error = message;
    return result;
}

bool SelectionFormula::matches(QDate day) const
{
    if (m_comparison == Comparison::All)
        return true;
    if (!day.isValid())
        return false;
    switch (m_comparison) {
    case Comparison::Less:
        return day < m_first;
    case Comparison::LessOrEqual:
        return day <= m_first;
    case Comparison::Equal:
        return day == m_first;
    case Comparison::GreaterOrEqual:
        return day >= m_first;
    case Comparison::Greater:
        return day > m_first;
    case Comparison::InRange:
        return m_first <= day && day <= m_last;
    case Comparison::All:
        break;
    }
    return true;
}
