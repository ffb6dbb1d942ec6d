#include "db/ErrorText.h"

#include <cstdio>

#include "db/DbError.h"
#include "db/Driver.h"

namespace {

// Messages for the codes the layer raises itself.
std::string LayerCodeMessage(std::int32_t code) {
    if (code == kErrorNoObject) return "Invalid pointer";
    if (code == kErrorUnspecified) return "Unspecified error";
    return std::string();
}

std::string WithoutTrailingLineBreak(std::string text) {
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
    return text;
}

}  // namespace

std::string CodeMeaning(std::int32_t code) {
    std::string message = LayerCodeMessage(code);
    if (message.empty()) message = DriverCodeMessage(code);
    if (!message.empty()) return WithoutTrailingLineBreak(message);

    const auto unsignedCode = static_cast<std::uint32_t>(code);
    char buffer[64];
    if (unsignedCode >= 0x80040201u && unsignedCode <= 0x8004FFFFu) {
        std::snprintf(buffer, sizeof buffer, "IDispatch error #%d",
                      static_cast<int>(unsignedCode - 0x80040200u));
    } else {
        std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0lX",
                      static_cast<unsigned long>(unsignedCode));
    }
    return buffer;
}

std::string RecordsetErrorText(std::int32_t code, const std::optional<std::string>& source,
                               const std::optional<std::string>& description) {
    char codeText[16];
    std::snprintf(codeText, sizeof codeText, "%08lx",
                  static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
    return "CADORecordset Error\n\tCode = " + std::string(codeText) +
           "\n\tCode meaning = " + CodeMeaning(code) + "\n\tSource = " + source.value_or("(null)") +
           "\n\tDescription = " + description.value_or("(null)") + "\n";
}

CADOException RecordsetFailure(const DbError& error) {
    return CADOException(error.Code(),
                         RecordsetErrorText(error.Code(), error.Source(), error.Description()),
                         error.UnstoredRows());
}
