#pragma once
// The texts the layer builds from an error code.

#include <cstdint>
#include <optional>
#include <string>

#include "db/CADOException.h"

class DbError;

// The driver's message for the code (one trailing line break removed); else "IDispatch error #n"
// for codes 0x80040201..0x8004FFFF; else "Unknown error 0x<CODE>".
std::string CodeMeaning(std::int32_t code);

// The block carried by every recordset failure. A missing source or description shows as
// "(null)".
std::string RecordsetErrorText(std::int32_t code, const std::optional<std::string>& source,
                               const std::optional<std::string>& description);

// A driver failure inside a row operation, as the recordset reports it: the RecordsetErrorText
// block, and for a refused row how many rows were not stored.
CADOException RecordsetFailure(const DbError& error);
