#include "db/PostgresErrorCode.h"

#include <array>
#include <utility>

namespace {

constexpr std::uint32_t kPackedTag = 0xC0000000u;
constexpr std::uint32_t kPackedTagMask = 0xC0000000u;
constexpr int kBitsPerChar = 6;

std::optional<std::uint32_t> CharValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
    if (c >= 'A' && c <= 'Z') return static_cast<std::uint32_t>(c - 'A' + 10);
    return std::nullopt;
}

char ValueChar(std::uint32_t v) {
    return v < 10 ? static_cast<char>('0' + v) : static_cast<char>('A' + (v - 10));
}

using Name = std::pair<std::string_view, std::string_view>;

// The conditions a user of this program is likely to meet.
constexpr std::array kConditionNames{
    Name{"00000", "successful_completion"},
    Name{"08000", "connection_exception"},
    Name{"08001", "sqlclient_unable_to_establish_sqlconnection"},
    Name{"08003", "connection_does_not_exist"},
    Name{"08004", "sqlserver_rejected_establishment_of_sqlconnection"},
    Name{"08006", "connection_failure"},
    Name{"08P01", "protocol_violation"},
    Name{"0A000", "feature_not_supported"},
    Name{"22001", "string_data_right_truncation"},
    Name{"22003", "numeric_value_out_of_range"},
    Name{"22007", "invalid_datetime_format"},
    Name{"22008", "datetime_field_overflow"},
    Name{"22012", "division_by_zero"},
    Name{"22021", "character_not_in_repertoire"},
    Name{"22P02", "invalid_text_representation"},
    Name{"23502", "not_null_violation"},
    Name{"23503", "foreign_key_violation"},
    Name{"23505", "unique_violation"},
    Name{"23514", "check_violation"},
    Name{"25P02", "in_failed_sql_transaction"},
    Name{"28000", "invalid_authorization_specification"},
    Name{"28P01", "invalid_password"},
    Name{"3D000", "invalid_catalog_name"},
    Name{"3F000", "invalid_schema_name"},
    Name{"40001", "serialization_failure"},
    Name{"40P01", "deadlock_detected"},
    Name{"42501", "insufficient_privilege"},
    Name{"42601", "syntax_error"},
    Name{"42701", "duplicate_column"},
    Name{"42703", "undefined_column"},
    Name{"42704", "undefined_object"},
    Name{"42710", "duplicate_object"},
    Name{"42712", "duplicate_alias"},
    Name{"42804", "datatype_mismatch"},
    Name{"42809", "wrong_object_type"},
    Name{"42883", "undefined_function"},
    Name{"42P01", "undefined_table"},
    Name{"42P07", "duplicate_table"},
    Name{"42P16", "invalid_table_definition"},
    Name{"53100", "disk_full"},
    Name{"53200", "out_of_memory"},
    Name{"53300", "too_many_connections"},
    Name{"54000", "program_limit_exceeded"},
    Name{"55P03", "lock_not_available"},
    Name{"57014", "query_canceled"},
    Name{"57P01", "admin_shutdown"},
    Name{"57P03", "cannot_connect_now"},
    Name{"XX000", "internal_error"},
};

// The first two characters of a SQLSTATE name its class.
constexpr std::array kClassNames{
    Name{"01", "warning"},
    Name{"02", "no_data"},
    Name{"08", "connection_exception"},
    Name{"0A", "feature_not_supported"},
    Name{"21", "cardinality_violation"},
    Name{"22", "data_exception"},
    Name{"23", "integrity_constraint_violation"},
    Name{"25", "invalid_transaction_state"},
    Name{"28", "invalid_authorization_specification"},
    Name{"3D", "invalid_catalog_name"},
    Name{"40", "transaction_rollback"},
    Name{"42", "syntax_error_or_access_rule_violation"},
    Name{"53", "insufficient_resources"},
    Name{"54", "program_limit_exceeded"},
    Name{"55", "object_not_in_prerequisite_state"},
    Name{"57", "operator_intervention"},
    Name{"58", "system_error"},
    Name{"P0", "plpgsql_error"},
    Name{"XX", "internal_error"},
};

template <std::size_t N>
std::string_view Find(const std::array<Name, N>& table, std::string_view key) {
    for (const auto& [k, name] : table)
        if (k == key) return name;
    return {};
}

}  // namespace

std::optional<std::int32_t> PackSqlState(std::string_view sqlState) {
    if (sqlState.size() != 5) return std::nullopt;
    std::uint32_t packed = 0;
    for (char c : sqlState) {
        const auto v = CharValue(c);
        if (!v) return std::nullopt;
        packed = (packed << kBitsPerChar) | *v;
    }
    return static_cast<std::int32_t>(kPackedTag | packed);
}

std::optional<std::string> UnpackSqlState(std::int32_t code) {
    auto bits = static_cast<std::uint32_t>(code);
    if ((bits & kPackedTagMask) != kPackedTag) return std::nullopt;
    std::string state(5, '0');
    for (int i = 4; i >= 0; --i) {
        const std::uint32_t v = bits & 0x3F;
        if (v > 35) return std::nullopt;
        state[static_cast<std::size_t>(i)] = ValueChar(v);
        bits >>= kBitsPerChar;
    }
    return state;
}

std::optional<std::string> PostgresCodeMeaning(std::int32_t code) {
    const auto state = UnpackSqlState(code);
    if (!state) return std::nullopt;
    auto name = Find(kConditionNames, *state);
    if (name.empty()) name = Find(kClassNames, std::string_view(*state).substr(0, 2));
    if (name.empty()) return *state;
    return *state + " " + std::string(name);
}
