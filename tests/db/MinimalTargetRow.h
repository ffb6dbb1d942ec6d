#pragma once
// A target-table row with only the columns that must be filled, for tests of the drivers'
// writing paths.

#include <string>
#include <vector>

#include "db/FieldValue.h"

inline const std::vector<std::string> kRowColumns = {
    "id", "IP", "Country", "identd", "UserID", "DateTimeTxt", "Request", "Status", "Bytes"};

// Values lined up with kRowColumns.
inline std::vector<FieldValue> TargetRow(int id, const std::string& ip) {
    return {FieldValue::UInt32(static_cast<std::uint32_t>(id)),
            FieldValue::Text(ip),
            FieldValue::Text("ZZ"),
            FieldValue::Text("-"),
            FieldValue::Text("-"),
            FieldValue::Text("[10/Oct/2000:13:55:36 -0700]"),
            FieldValue::Text("GET / HTTP/1.0"),
            FieldValue::Int16(200),
            FieldValue::Int32(2326)};
}
