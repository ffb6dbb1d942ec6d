#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

// A failure inside a driver: its 32-bit code (SQLite: the extended result code), the part that
// failed (source) and the driver's description.
class DbError : public std::runtime_error {
  public:
    DbError(std::int32_t code, std::string source, std::string description)
        : std::runtime_error(description),
          code_(code),
          source_(std::move(source)),
          description_(std::move(description)) {}

    std::int32_t Code() const { return code_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }

    // Set when a row write was refused: the number of rows handed to the connection, up to and
    // including the call that reports the refusal, that are not stored (the refused row and every
    // row handed after it). Rows travel in batches, so the refused row may lie some calls back.
    std::optional<std::uint64_t> UnstoredRows() const { return unstoredRows_; }
    DbError& SetUnstoredRows(std::uint64_t rows) {
        unstoredRows_ = rows;
        return *this;
    }

  private:
    std::int32_t code_;
    std::string source_;
    std::string description_;
    std::optional<std::uint64_t> unstoredRows_;
};

// Codes of the layer itself, in the same 32-bit space as the drivers' codes.
// A handle used without its connection or driver object.
inline constexpr std::int32_t kErrorNoObject = static_cast<std::int32_t>(0x80004003u);
// A connection string the layer cannot use (empty, malformed, unknown provider).
inline constexpr std::int32_t kErrorUnspecified = static_cast<std::int32_t>(0x80004005u);
// A field name the recordset does not have.
inline constexpr std::int32_t kErrorUnknownField = static_cast<std::int32_t>(0x800A0CC1u);
