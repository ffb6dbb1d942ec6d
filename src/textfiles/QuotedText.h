#pragma once
// The one quoting rule shared by SQL literals, SQL names and connection string values: the text
// between two quote characters, every quote character inside it doubled.

#include <string>
#include <string_view>

std::string QuotedByDoubling(std::string_view text, char quote);
