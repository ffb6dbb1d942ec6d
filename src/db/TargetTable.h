#pragma once
// The target table that one log goes into: `<base>_data`, its fixed schema and its index
// `<base>_Index` on `id`.

#include <string>

std::string TargetTableName(const std::string& base);
std::string TargetIndexName(const std::string& base);
// The CREATE TABLE statement with the base name put in unquoted, exactly as the system sends it.
std::string TargetTableCreateStatement(const std::string& base);
