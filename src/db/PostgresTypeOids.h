#pragma once
// The OIDs of the built-in types the driver reads and writes, fixed by the server's catalog.

namespace PostgresType {

constexpr unsigned kBool = 16, kName = 19, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25,
                   kOid = 26, kFloat4 = 700, kFloat8 = 701, kMoney = 790, kBpchar = 1042,
                   kVarchar = 1043, kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184,
                   kNumeric = 1700;

}  // namespace PostgresType
