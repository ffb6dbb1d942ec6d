#pragma once
// PostgreSQL text columns hold valid UTF-8 without 0x00, but the program stores byte strings:
// log lines may carry Latin-1 bytes, broken UTF-8 or even zero bytes. These two functions map
// every byte string to a storable text and back, exactly.
//
// The rule:
// - A byte string that is valid UTF-8, holds no 0x00 and does not begin with a code point of
//   U+E000..U+E0FF (a private-use block) is stored unchanged. Readable text stays readable and
//   compares equal to the same literal in SQL.
// - Any other byte string is stored "escaped": its first byte b becomes U+E000 + b, every later
//   byte 0x00 becomes U+E000 and every later byte 0x01..0xFF becomes the code point of the same
//   number (as if the bytes were Latin-1). The first character marks the text as escaped, so a
//   text that merely looks Latin-1-decoded, or that holds U+E000 later on, is never mistaken
//   for an escaped one.
// Both forms have one character per byte of the original wherever the original is not valid
// UTF-8, so a varchar(n) limit counts the same number of characters as bytes in that case.
// A stored text that begins with U+E000..U+E0FF but does not follow the escaped form (typed in
// by hand, say) is read back unchanged.

#include <string>
#include <string_view>

std::string EncodePostgresText(std::string_view bytes);
std::string DecodePostgresText(std::string_view stored);
