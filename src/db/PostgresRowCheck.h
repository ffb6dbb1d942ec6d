#pragma once
// The column rules a row must meet (NOT NULL, varchar(n), smallint and integer ranges), checked
// on the client before a row is queued. Queued rows are sent many at a time without waiting for
// each answer; checking first lets the usual failing row be refused on the spot, with the
// server's words, instead of being found out only when the batch comes back.

#include <optional>
#include <string>
#include <vector>

struct PostgresColumnRule {
    std::string name;
    bool notNull = false;
    unsigned typeOid = 0;
    int maxCharacters = -1;  // varchar(n): n; no limit: -1
    std::string typeName;    // without its modifier: a cast to it never cuts a value short
};

// Throws DbError with the server's SQLSTATE and message for the first rule a value breaks.
// `parameters` are the values as sent (nothing = NULL), in the order of `rules`.
void CheckRow(const std::string& table, const std::vector<PostgresColumnRule>& rules,
              const std::vector<std::optional<std::string>>& parameters);
