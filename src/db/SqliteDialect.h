#pragma once
// The system's statements in SQLite's SQL. SQLite reads square-bracketed names, `datetime`,
// `text` and `Select Max(...) As ...` as they are; two things need translating.

#include <string>

// The self-joining UPDATE ("UPDATE t INNER JOIN t AS t1 ON t.c = t1.c SET t1.x = v WHERE ...")
// becomes an UPDATE whose rows are chosen by an IN sub-query of the same effect. A CREATE TABLE
// gets a named CHECK per varchar(n) column, since SQLite does not enforce declared lengths.
// Any other text is returned unchanged.
std::string TranslateForSqlite(const std::string& sql);
