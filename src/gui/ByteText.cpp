#include "gui/ByteText.h"

#include "textfiles/Utf8.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char16_t unit) {
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

}  // namespace

QString FromProgramBytes(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t at = 0; at < bytes.size();) {
        const auto codePoint = ReadUtf8CodePoint(bytes.substr(at));
        if (!codePoint) {
            text +=
                QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
        } else {
            text += QString::fromUcs4(&codePoint->value, 1);
            at += codePoint->length;
        }
    }
    return text;
}

std::string ToProgramBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else if (IsEscapedByte(unit)) {
            bytes += static_cast<char>(unit - kEscapeBase);
        } else if (QChar::isSurrogate(unit)) {
            AppendUtf8(bytes, 0xFFFD);  // half a pair that no byte became: nothing to restore
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}
