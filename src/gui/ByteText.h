#pragma once
// The program's texts are bytes: file names and connection strings come from the file system,
// project files and settings as they are, often UTF-8 but not always (a log named in Latin-1 on
// an old server). Qt's own conversion turns every byte that is not UTF-8 into U+FFFD, so such a
// name shown in a field would come back changed and be written back changed by the next run or
// save. These two conversions keep every byte.
//
// A byte that does not start or continue valid UTF-8 becomes the lone low surrogate U+DC00 + byte
// (U+DC80 to U+DCFF) and turns back into that byte. Lone surrogates are chosen over private-use
// characters because valid UTF-8 can never hold one (their encodings are themselves invalid and
// get escaped byte by byte), so no real character is ever mistaken for an escaped byte; a
// private-use character in a valid name would come back as a raw byte.

#include <QString>
#include <string>
#include <string_view>

QString FromProgramBytes(std::string_view bytes);
std::string ToProgramBytes(const QString& text);
