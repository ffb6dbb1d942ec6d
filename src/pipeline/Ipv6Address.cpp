#include "pipeline/Ipv6Address.h"

#include <arpa/inet.h>

#include <cstring>

namespace {

std::uint64_t BigEndian64(const unsigned char* bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = value << 8 | bytes[i];
    return value;
}

}  // namespace

std::optional<Ipv6Number> ParseIpv6(std::string_view text) {
    // Every IPv6 text has a colon; checking first keeps dotted rows off inet_pton.
    if (text.find(':') == std::string_view::npos) return std::nullopt;
    if (auto zone = text.find('%'); zone != std::string_view::npos) {
        if (zone + 1 == text.size()) return std::nullopt;  // a zone mark names an interface
        text = text.substr(0, zone);
    }
    // inet_pton wants a terminated text; the longest valid form has 45 characters.
    char terminated[64];
    if (text.size() >= sizeof terminated) return std::nullopt;
    std::memcpy(terminated, text.data(), text.size());
    terminated[text.size()] = '\0';
    unsigned char bytes[16];
    if (inet_pton(AF_INET6, terminated, bytes) != 1) return std::nullopt;
    return Ipv6Number{BigEndian64(bytes), BigEndian64(bytes + 8)};
}

std::optional<std::uint32_t> MappedIpv4(const Ipv6Number& address) {
    if (address.high != 0 || (address.low >> 32) != 0xFFFF) return std::nullopt;
    return static_cast<std::uint32_t>(address.low);
}

bool IsSiteLocalIpv6(const Ipv6Number& address) {
    const bool loopback = address.high == 0 && address.low == 1;
    const bool linkLocal = (address.high >> 54) == (0xFE80u >> 6);    // fe80::/10
    const bool uniqueLocal = (address.high >> 57) == (0xFC00u >> 9);  // fc00::/7
    return loopback || linkLocal || uniqueLocal;
}
