#include "db/PostgresDialect.h"

#include <optional>
#include <regex>
#include <string_view>
#include <vector>

#include "db/PostgresText.h"
#include "db/SqlLiteral.h"
#include "textfiles/AsciiText.h"
#include "textfiles/QuotedText.h"

namespace {

bool IsWordChar(char c) {
    return IsAsciiLetterOrDigit(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsPlainIdentifier(std::string_view name) {
    if (name.empty() || IsAsciiDigit(name[0])) return false;
    for (char c : name)
        if (!IsAsciiLetterOrDigit(c) && c != '_') return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

struct Token {
    enum class Kind { Word, Name, Literal, Space, Other };  // Name: a bracketed name
    Kind kind;
    std::string text;
};

// Splits a statement into words, literals (already translated), white space and single
// characters. Bracketed names become words; quoted identifiers are kept as they are.
std::vector<Token> Tokenize(const std::string& sql) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'') {
            std::string bytes;
            for (++i; i < sql.size(); ++i) {
                if (sql[i] == '\'') {
                    if (i + 1 < sql.size() && sql[i + 1] == '\'') {
                        bytes += '\'';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                bytes += sql[i];
            }
            // X'<hex>' is how the program writes a text holding 0x00 (see SqlLiteral.h).
            const bool hex = !tokens.empty() && tokens.back().kind == Token::Kind::Word &&
                             EqualsIgnoringAsciiCase(tokens.back().text, "x");
            if (const auto decoded = hex ? BytesFromHex(bytes) : std::nullopt) {
                tokens.back() = {Token::Kind::Literal, PostgresStringLiteral(*decoded)};
            } else {
                tokens.push_back({Token::Kind::Literal, PostgresStringLiteral(bytes)});
            }
        } else if (c == '"') {
            const std::size_t end = sql.find('"', i + 1);
            const std::size_t stop = end == std::string::npos ? sql.size() : end + 1;
            tokens.push_back({Token::Kind::Other, sql.substr(i, stop - i)});
            i = stop;
        } else if (c == '[') {
            const std::size_t end = sql.find(']', i + 1);
            const std::size_t stop = end == std::string::npos ? sql.size() : end;
            tokens.push_back(
                {Token::Kind::Name, PostgresIdentifier(sql.substr(i + 1, stop - i - 1))});
            i = stop + 1;
        } else if (IsAsciiWhiteSpace(c)) {
            const std::size_t start = i;
            while (i < sql.size() && IsAsciiWhiteSpace(sql[i])) ++i;
            tokens.push_back({Token::Kind::Space, sql.substr(start, i - start)});
        } else if (IsWordChar(c)) {
            const std::size_t start = i;
            while (i < sql.size() && IsWordChar(sql[i])) ++i;
            tokens.push_back({Token::Kind::Word, sql.substr(start, i - start)});
        } else {
            tokens.push_back({Token::Kind::Other, std::string(1, c)});
            ++i;
        }
    }
    return tokens;
}

bool IsWord(const Token& t, std::string_view word) {
    return t.kind == Token::Kind::Word && EqualsIgnoringAsciiCase(t.text, word);
}

// The index of the next token that is not white space, or tokens.size().
std::size_t NextSolid(const std::vector<Token>& tokens, std::size_t i) {
    while (i < tokens.size() && tokens[i].kind == Token::Kind::Space) ++i;
    return i;
}

bool EndsOrderBy(const Token& t) {
    return IsWord(t, "limit") || IsWord(t, "offset") || IsWord(t, "for") || IsWord(t, "fetch") ||
           IsWord(t, "union") || (t.kind == Token::Kind::Other && t.text == ";");
}

// Appends the NULLS placement to one ORDER BY item ending before `end`.
void PlaceNulls(std::vector<Token>& out, std::size_t itemStart) {
    bool descending = false;
    for (std::size_t i = itemStart; i < out.size(); ++i) {
        if (IsWord(out[i], "nulls")) return;
        if (IsWord(out[i], "desc")) descending = true;
        if (IsWord(out[i], "asc")) descending = false;
    }
    // Keep trailing white space after the inserted words.
    std::size_t insertAt = out.size();
    while (insertAt > itemStart && out[insertAt - 1].kind == Token::Kind::Space) --insertAt;
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt),
               {Token::Kind::Other, descending ? " NULLS LAST" : " NULLS FIRST"});
}

std::string Join(const std::vector<Token>& tokens) {
    std::string sql;
    for (const auto& t : tokens) sql += t.text;
    return sql;
}

bool IsTextType(const Token& t) {
    return IsWord(t, "text") || IsWord(t, "varchar") || IsWord(t, "char");
}

// Copies a text type word, with its "(n)" when it has one, and gives it the byte-order
// collation. Returns the index of the last token copied.
std::size_t CopyTextType(const std::vector<Token>& tokens, std::size_t i, std::vector<Token>& out) {
    out.push_back(tokens[i]);
    const std::size_t open = NextSolid(tokens, i + 1);
    if (open < tokens.size() && tokens[open].kind == Token::Kind::Other &&
        tokens[open].text == "(") {
        std::size_t close = open;
        while (close < tokens.size() && tokens[close].text != ")") ++close;
        if (close < tokens.size()) {
            for (++i; i <= close; ++i) out.push_back(tokens[i]);
            --i;
        }
    }
    out.push_back({Token::Kind::Other, " COLLATE \"C\""});
    return i;
}

std::string TranslateTokens(const std::string& sql) {
    const auto tokens = Tokenize(sql);
    // Text columns the program creates compare and sort by bytes, as they do in SQLite, rather
    // than by the server's locale, which would interleave upper and lower case.
    const std::size_t first = NextSolid(tokens, 0);
    const bool definesColumns = first < tokens.size() &&
                                (IsWord(tokens[first], "create") || IsWord(tokens[first], "alter"));
    std::vector<Token> out;
    out.reserve(tokens.size() + 8);
    int depth = 0;
    int orderByDepth = -1;  // depth of the ORDER BY clause being walked, or -1
    std::size_t itemStart = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const bool isOpen = t.kind == Token::Kind::Other && t.text == "(";
        const bool isClose = t.kind == Token::Kind::Other && t.text == ")";
        const bool isComma = t.kind == Token::Kind::Other && t.text == ",";
        if (orderByDepth == depth && (isClose || EndsOrderBy(t))) {
            PlaceNulls(out, itemStart);
            orderByDepth = -1;
        } else if (orderByDepth == depth && isComma) {
            PlaceNulls(out, itemStart);
            out.push_back(t);
            itemStart = out.size();
            continue;
        }
        if (isOpen) ++depth;
        if (isClose) --depth;
        if (IsWord(t, "datetime")) {
            out.push_back({Token::Kind::Word, "timestamp"});
            continue;
        }
        if (definesColumns && IsTextType(t)) {
            i = CopyTextType(tokens, i, out);
            continue;
        }
        out.push_back(t);
        if (IsWord(t, "order")) {
            const std::size_t by = NextSolid(tokens, i + 1);
            if (by < tokens.size() && IsWord(tokens[by], "by")) {
                for (++i; i <= by; ++i) out.push_back(tokens[i]);
                --i;
                orderByDepth = depth;
                itemStart = out.size();
            }
        }
    }
    if (orderByDepth >= 0) PlaceNulls(out, itemStart);
    return Join(out);
}

// `text` with every "qualifier." that starts a name removed.
std::string WithoutQualifier(const std::string& text, const std::string& qualifier) {
    const std::string prefix = qualifier + ".";
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const bool startsName = i == 0 || !IsWordChar(text[i - 1]);
        if (startsName && StartsWithNoCase(std::string_view(text).substr(i), prefix)) {
            i += prefix.size();
            continue;
        }
        out += text[i++];
    }
    return out;
}

// Whether `text` names a column of `qualifier` ("qualifier.").
bool MentionsQualifier(const std::string& text, const std::string& qualifier) {
    return WithoutQualifier(text, qualifier) != text;
}

// For a SET of one column to a literal, the condition that leaves the rows holding it alone.
std::string UnlessAlreadyHoldingSet(const std::string& set, const std::string& qualifier) {
    static const std::regex single(R"(^\s*(\S+)\s*=\s*('[^']*')\s*$)");
    std::smatch m;
    if (!std::regex_match(set, m, single)) return {};
    return UnlessAlreadyHolding(qualifier + "." + m[1].str(), m[2], "IS DISTINCT FROM");
}

// The joined UPDATE of the program's SQL in PostgreSQL's terms; the statement unchanged when it
// is not such an UPDATE.
//
// A row is changed when some row of the other side matches it, so the other side is asked with
// EXISTS: the server hashes the matching keys once and reads the table once. The literal UPDATE
// ... FROM join would pair every row with every matching row of the other side first, which for
// a self-join on an address costs the square of that address's rows. Only a SET that takes its
// value from the other side needs the join.
std::string RewriteJoinedUpdate(const std::string& sql) {
    static const std::regex joined(
        R"(^\s*update\s+(\S+)\s+inner\s+join\s+(\S+)\s+as\s+(\S+)\s+on\s+([\s\S]+?)\s+set\s+([\s\S]+?)\s+where\s+([\s\S]+?)\s*;?\s*$)",
        std::regex::icase);
    std::smatch m;
    if (!std::regex_match(sql, m, joined)) return sql;
    const std::string first = m[1], second = m[2], alias = m[3];
    const std::string on = m[4], set = m[5], where = m[6];
    // PostgreSQL names the SET columns without a table; which table the SET qualifies tells
    // which side is updated.
    const bool updatesAlias = StartsWithNoCase(set, alias + ".");
    const std::string target = updatesAlias ? second + " AS " + alias : first;
    const std::string other = updatesAlias ? first : second + " AS " + alias;
    const std::string bareSet = WithoutQualifier(set, updatesAlias ? alias : first);
    const std::string condition = "(" + on + ") AND (" + where + ")";
    if (MentionsQualifier(bareSet, updatesAlias ? first : alias))
        return "UPDATE " + target + " SET " + bareSet + " FROM " + other + " WHERE " + condition;
    return "UPDATE " + target + " SET " + bareSet + " WHERE EXISTS (SELECT 1 FROM " + other +
           " WHERE " + condition + ")" +
           UnlessAlreadyHoldingSet(bareSet, updatesAlias ? alias : first);
}

bool IsSymbol(const Token& t, std::string_view symbol) {
    return t.kind == Token::Kind::Other && t.text == symbol;
}

bool IsTableName(const Token& t) {
    return t.kind == Token::Kind::Word || t.kind == Token::Kind::Name ||
           (t.kind == Token::Kind::Other && t.text.size() > 1 && t.text.front() == '"');
}

bool EndsFromClause(const Token& t) {
    return IsWord(t, "where") || IsWord(t, "order") || IsWord(t, "limit") || IsWord(t, "offset") ||
           IsWord(t, "for") || IsSymbol(t, ";");
}

bool IsGroupingOrSetWord(const Token& t) {
    for (const char* word : {"group", "having", "union", "intersect", "except", "window", "join"})
        if (IsWord(t, word)) return true;
    return false;
}

// A table the program makes has most of its rows changed by the passes right after the export.
// A changed row is a new row version; with room left on its page the version stays there and
// needs no new index entries, and the space of the version before is taken back in passing.
// Without it every change moves the row to the end of the table and adds to every index.
// A plain "CREATE TABLE name (columns)" gets that room; anything with clauses of its own (a
// partitioned table, storage options) is left as it is.
constexpr const char* kRoomForChanges = " WITH (fillfactor = 70)";

std::string WithRoomForChanges(const std::string& sql) {
    std::vector<Token> tokens;
    for (Token& t : Tokenize(sql))
        if (t.kind != Token::Kind::Space) tokens.push_back(std::move(t));
    if (tokens.size() < 4 || !IsWord(tokens[0], "create") || !IsWord(tokens[1], "table") ||
        !IsSymbol(tokens.back(), ")"))
        return sql;
    int depth = 0;
    for (std::size_t i = 2; i < tokens.size(); ++i) {
        if (IsSymbol(tokens[i], "(")) ++depth;
        if (IsSymbol(tokens[i], ")") && --depth == 0 && i + 1 != tokens.size()) return sql;
        if (depth == 0 && IsWord(tokens[i], "as")) return sql;
    }
    return sql + kRoomForChanges;
}

}  // namespace

std::optional<std::string> SingleTableOfSelect(const std::string& sql) {
    std::vector<Token> tokens;
    for (Token& t : Tokenize(sql))
        if (t.kind != Token::Kind::Space) tokens.push_back(std::move(t));
    if (tokens.empty() || !IsWord(tokens[0], "select")) return std::nullopt;
    std::size_t i = 1;
    // The select list: plain columns only; a call or a sub-query may be an aggregate.
    for (; i < tokens.size() && !IsWord(tokens[i], "from"); ++i)
        if (IsSymbol(tokens[i], "(") || IsWord(tokens[i], "distinct")) return std::nullopt;
    if (++i >= tokens.size() || !IsTableName(tokens[i])) return std::nullopt;
    std::string table = tokens[i].text;
    for (; i + 2 < tokens.size() && IsSymbol(tokens[i + 1], ".") && IsTableName(tokens[i + 2]);
         i += 2)
        table += "." + tokens[i + 2].text;
    ++i;
    if (i < tokens.size() && IsWord(tokens[i], "as")) ++i;
    if (i < tokens.size() && !EndsFromClause(tokens[i]) && IsTableName(tokens[i])) ++i;  // alias
    if (i < tokens.size() && !EndsFromClause(tokens[i])) return std::nullopt;
    int depth = 0;
    for (; i < tokens.size(); ++i) {
        if (IsSymbol(tokens[i], "(")) ++depth;
        if (IsSymbol(tokens[i], ")")) --depth;
        if (depth == 0 && IsGroupingOrSetWord(tokens[i])) return std::nullopt;
    }
    return table;
}

std::string FoldIdentifier(const std::string& name) {
    return ToLowerAscii(name);
}

std::string PostgresIdentifier(const std::string& name) {
    const std::string folded = FoldIdentifier(name);
    if (IsPlainIdentifier(folded)) return folded;
    return QuotedByDoubling(folded, '"');
}

std::string PostgresStringLiteral(const std::string& text) {
    return QuotedByDoubling(EncodePostgresText(text), '\'');
}

std::string TranslateStatement(const std::string& sql) {
    return WithRoomForChanges(TranslateTokens(RewriteJoinedUpdate(sql)));
}
