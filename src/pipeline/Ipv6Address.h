#pragma once
// IPv6 address texts as 128-bit numbers, for the country lookup of IPv6 visitors.

#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>

// Two halves rather than a compiler extension: compares in address order like the number.
struct Ipv6Number {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    friend constexpr auto operator<=>(const Ipv6Number&, const Ipv6Number&) = default;
};

// The address in any textual form (compressed, full, with a dotted tail, either case), with or
// without a "%zone" suffix, which names an interface and not part of the address. Nothing for a
// text that is no IPv6 address, dotted IPv4 texts included.
std::optional<Ipv6Number> ParseIpv6(std::string_view text);

// The IPv4 address inside an IPv4-mapped address (::ffff:a.b.c.d), which a dual-stack server
// logs for IPv4 visitors: those belong to the IPv4 ranges.
std::optional<std::uint32_t> MappedIpv4(const Ipv6Number& address);

// Loopback, link-local and unique-local addresses: they never leave a site, so no range list
// can give them a country, whatever a damaged data file claims.
bool IsSiteLocalIpv6(const Ipv6Number& address);
