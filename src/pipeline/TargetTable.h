#pragma once
// The target table that one log goes into: `<base>_data`, its fixed schema and its index
// `<base>_Index` on `id`.

#include <cstddef>
#include <string>

std::string TargetTableName(const std::string& base);
std::string TargetIndexName(const std::string& base);
// The CREATE TABLE statement with the base name put in unquoted, exactly as the system sends it.
std::string TargetTableCreateStatement(const std::string& base);

// Every name the table gets ("<base>_data", the spider pass's alias "<base>_data1",
// "<base>_Index") must fit the 63 bytes PostgreSQL keeps of a name: a longer one is cut short
// there, and two names cut alike collide. The same limit holds for every driver, so a set-up
// moves between them.
inline constexpr std::size_t kMaxTargetBaseBytes = 57;
// The message for a base name the table cannot take, or empty when it can.
std::string TargetBaseNameProblem(const std::string& base);
