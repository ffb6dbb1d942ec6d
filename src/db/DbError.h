#pragma once

#include <cstdint>
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

  private:
    std::int32_t code_;
    std::string source_;
    std::string description_;
};

// Codes of the layer itself, in the same 32-bit space as the drivers' codes.
// A handle used without its connection or driver object.
inline constexpr std::int32_t kErrorNoObject = static_cast<std::int32_t>(0x80004003u);
// A connection string the layer cannot use (empty, malformed, unknown provider).
inline constexpr std::int32_t kErrorUnspecified = static_cast<std::int32_t>(0x80004005u);
// A field name the recordset does not have.
inline constexpr std::int32_t kErrorUnknownField = static_cast<std::int32_t>(0x800A0CC1u);
