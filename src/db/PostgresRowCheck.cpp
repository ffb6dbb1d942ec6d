#include "db/PostgresRowCheck.h"

#include <cerrno>
#include <cstdlib>

#include "db/DbError.h"
#include "db/PostgresErrorCode.h"
#include "db/PostgresTypeOids.h"

namespace {

using PostgresType::kInt2, PostgresType::kInt4;

[[noreturn]] void Refuse(const char* sqlState, const std::string& message) {
    throw DbError(*PackSqlState(sqlState), "PostgreSQL", message);
}

std::size_t CharacterCount(const std::string& utf8) {
    std::size_t count = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

// The server's words for a bad value do not say where it went; the user needs to know.
std::string InColumn(const PostgresColumnRule& rule) {
    return " (column \"" + rule.name + "\")";
}

void CheckRange(const std::string& text, long long low, long long high, const char* type,
                const PostgresColumnRule& rule) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno == ERANGE || value < low || value > high)
        Refuse("22003", "value \"" + text + "\" is out of range for type " + type + InColumn(rule));
}

}  // namespace

void CheckRow(const std::string& table, const std::vector<PostgresColumnRule>& rules,
              const std::vector<std::optional<std::string>>& parameters) {
    for (std::size_t i = 0; i < rules.size() && i < parameters.size(); ++i) {
        const auto& rule = rules[i];
        const auto& value = parameters[i];
        if (!value) {
            if (rule.notNull)
                Refuse("23502", "null value in column \"" + rule.name + "\" of relation \"" +
                                    table + "\" violates not-null constraint");
            continue;
        }
        if (rule.maxCharacters >= 0 &&
            CharacterCount(*value) > static_cast<std::size_t>(rule.maxCharacters))
            Refuse("22001", "value too long for type character varying(" +
                                std::to_string(rule.maxCharacters) + ")" + InColumn(rule));
        if (rule.typeOid == kInt2) CheckRange(*value, -32768, 32767, "smallint", rule);
        if (rule.typeOid == kInt4) CheckRange(*value, -2147483648LL, 2147483647LL, "integer", rule);
    }
}
