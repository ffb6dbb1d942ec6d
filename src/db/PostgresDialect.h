#pragma once
// The program writes its SQL once, in one style: square-bracketed names, the `datetime` type,
// an UPDATE that joins its table with itself, ORDER BY with NULLs first, and texts that are byte
// strings. These functions turn such a statement into PostgreSQL with the same effect.

#include <optional>
#include <string>

// Names are case-insensitive in the program's SQL, and PostgreSQL folds unquoted names to lower
// case. So a name is always folded to lower case, and quoted only when it is not a plain
// identifier; `[WebLog_data]`, `WebLog_data` and a table made as WebLog_data then all meet.
std::string FoldIdentifier(const std::string& name);  // lower case (ASCII letters only)
std::string PostgresIdentifier(const std::string& name);

// Translates one statement:
// - `[name]` becomes PostgresIdentifier(name);
// - the type word `datetime` becomes `timestamp`;
// - "UPDATE a INNER JOIN b AS c ON <on> SET c.x = v WHERE <where>" becomes
//   "UPDATE b AS c SET x = v FROM a WHERE (<on>) AND (<where>)" (or the mirror image when the
//   SET names `a`);
// - every ORDER BY item without NULLS gets NULLS FIRST (ascending) or NULLS LAST (descending),
//   the order NULLs take elsewhere in the program;
// - a hex literal X'<hex>' becomes the string literal of its bytes;
// - every string literal is re-encoded with EncodePostgresText, so that a literal compares
//   equal to the stored form of the same bytes.
std::string TranslateStatement(const std::string& sql);

// `text` as a PostgreSQL string literal of its stored form.
std::string PostgresStringLiteral(const std::string& text);

// The table of a query whose rows can be addressed for updates: SELECT of plain columns (no
// calls, no DISTINCT) FROM one table, with or without an alias, WHERE and ORDER BY, and no
// grouping, join or set operation. Nothing for any other text. The name is returned as it
// stands in `sql`. Deciding from the text spares the server a statement that is bound to fail.
std::optional<std::string> SingleTableOfSelect(const std::string& sql);
