#pragma once
// PostgreSQL reports failures as SQLSTATEs: five characters of [0-9A-Z]. The layer's error codes
// are 32-bit, so a SQLSTATE is packed into one:
//
//   bit 31      always 1, so that every packed code reads as a failure (negative), like the
//               platform codes of the other driver
//   bit 30      always 1, which keeps packed SQLSTATEs apart from those platform codes
//               (0x8xxxxxxx) in a printed "%08lx"
//   bits 29..0  the five characters, first one highest, 6 bits each: '0'..'9' -> 0..9,
//               'A'..'Z' -> 10..35
//
// "23502" is thus 0xC0000000 | 2<<24 | 3<<18 | 5<<12 | 0<<6 | 2.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Failures found on the client side get SQLSTATEs of the standard classes too.
inline constexpr std::string_view kSqlStateConnectionFailed = "08001";  // could not connect
inline constexpr std::string_view kSqlStateConnectionLost = "08006";
inline constexpr std::string_view kSqlStateUnknown = "XX000";  // internal_error

// Nothing when `sqlState` is not five characters of [0-9A-Z].
std::optional<std::int32_t> PackSqlState(std::string_view sqlState);
// Nothing when `code` is not a packed SQLSTATE.
std::optional<std::string> UnpackSqlState(std::int32_t code);

// "23502 not_null_violation": the SQLSTATE and the name of its condition, or of its class when
// the condition is not one of the common ones; nothing when `code` is not a packed SQLSTATE.
std::optional<std::string> PostgresCodeMeaning(std::int32_t code);
