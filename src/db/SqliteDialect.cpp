#include "db/SqliteDialect.h"

#include <regex>

#include "db/SqlLiteral.h"
#include "textfiles/AsciiText.h"

namespace {

const std::string kName = R"((\[[^\]]*\]|[^\s.=\[\]()]+))";

// UPDATE a INNER JOIN a AS b ON x.c = y.c SET z.col = value WHERE condition [;]
const std::regex& SelfJoinUpdate() {
    static const std::regex pattern(R"(^\s*UPDATE\s+)" + kName + R"(\s+INNER\s+JOIN\s+)" + kName +
                                        R"(\s+AS\s+)" + kName + R"(\s+ON\s+)" + kName + R"(\.)" +
                                        kName + R"(\s*=\s*)" + kName + R"(\.)" + kName +
                                        R"(\s+SET\s+)" + kName + R"(\.)" + kName +
                                        R"(\s*=\s*([\s\S]+?)\s+WHERE\s+([\s\S]*?)\s*;?\s*$)",
                                    std::regex::icase);
    return pattern;
}

std::string Unbracket(const std::string& name) {
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
        return name.substr(1, name.size() - 2);
    return name;
}

bool SameName(const std::string& a, const std::string& b) {
    return EqualsIgnoringAsciiCase(Unbracket(a), Unbracket(b));
}

// Rows of the updated alias qualify when their join column matches that of some row of the
// other side that meets the condition; the sub-query keeps the other side's name so that the
// condition's qualified names still refer to it.
std::string TranslateSelfJoinUpdate(const std::string& sql) {
    std::smatch m;
    if (!std::regex_match(sql, m, SelfJoinUpdate())) return sql;
    const std::string table = m[1], joined = m[2], alias = m[3];
    if (!SameName(table, joined)) return sql;
    const std::string leftRef = m[4], leftCol = m[5], rightRef = m[6], rightCol = m[7];
    const std::string setRef = m[8], setCol = m[9], value = m[10], condition = m[11];

    std::string targetCol, otherRef, otherCol;
    if (SameName(setRef, alias) && SameName(rightRef, alias) && SameName(leftRef, table)) {
        targetCol = rightCol, otherRef = leftRef, otherCol = leftCol;
    } else if (SameName(setRef, alias) && SameName(leftRef, alias) && SameName(rightRef, table)) {
        targetCol = leftCol, otherRef = rightRef, otherCol = rightCol;
    } else {
        return sql;
    }
    return "UPDATE " + table + " AS " + alias + " SET " + setCol + " = " + value + " WHERE " +
           alias + "." + targetCol + " IN (SELECT " + otherRef + "." + otherCol + " FROM " + table +
           " AS " + otherRef + " WHERE " + condition + ")" +
           UnlessAlreadyHolding(alias + "." + setCol, value, "IS NOT");
}

const std::regex& UpdateStart() {
    static const std::regex pattern(R"(^\s*UPDATE\s+\S+\s+INNER\s+JOIN\b)", std::regex::icase);
    return pattern;
}

const std::regex& CreateTable() {
    static const std::regex pattern(R"(^\s*CREATE\s+TABLE\b)", std::regex::icase);
    return pattern;
}

// A column definition "name varchar(n)" at the start of the list or after a comma. The CHECK is
// named so that a failing row reports the column and its limit rather than our expression.
std::string AddLengthChecks(const std::string& sql) {
    static const std::regex column(
        R"(([(,]\s*)(\[[^\]]+\]|[A-Za-z_][A-Za-z0-9_]*)(\s+varchar\s*\(\s*(\d+)\s*\)))",
        std::regex::icase);
    std::string out;
    auto rest = sql.cbegin();
    for (std::sregex_iterator it(sql.begin(), sql.end(), column), end; it != end; ++it) {
        const std::smatch& m = *it;
        const std::string name = m[2], limit = m[4];
        out.append(rest, m[0].first);
        out += m[0].str() + " CONSTRAINT [" + Unbracket(name) + " longer than " + limit +
               "] CHECK(length(CAST(" + name + " AS BLOB)) <= " + limit + ")";
        rest = m[0].second;
    }
    out.append(rest, sql.cend());
    return out;
}

}  // namespace

std::string TranslateForSqlite(const std::string& sql) {
    // Only the head is searched: the standard regex engine recurses per character, and the
    // statements worth translating are short.
    const std::string head = sql.substr(0, 256);
    if (std::regex_search(head, CreateTable())) return AddLengthChecks(sql);
    if (sql.size() < 4096 && std::regex_search(head, UpdateStart())) {
        return TranslateSelfJoinUpdate(sql);
    }
    return sql;
}
