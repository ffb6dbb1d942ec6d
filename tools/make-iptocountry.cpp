// Builds IpToCountry.csv from the IPv4 range list of Debian's tor-geoipdb (or, with --ipv6,
// IpToCountry6.csv from its IPv6 list) and the country codes of Debian's iso-codes.
// Usage: make-iptocountry [--ipv6] GEOIP ISO_3166_1_JSON OUTPUT
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "CountryCodes.h"
#include "GeoipConversion.h"

int main(int argc, char** argv) {
    const bool ipv6 = argc > 1 && std::strcmp(argv[1], "--ipv6") == 0;
    if (ipv6) {
        --argc;
        ++argv;
    }
    if (argc != 4) {
        std::cerr << "usage: make-iptocountry [--ipv6] GEOIP ISO_3166_1_JSON OUTPUT\n";
        return 2;
    }
    const std::string geoipName = argv[1], isoName = argv[2], outputName = argv[3];
    std::ifstream geoip(geoipName), iso(isoName);
    if (!geoip || !iso) {
        std::cerr << "make-iptocountry: cannot read " << (geoip ? isoName : geoipName) << "\n";
        return 1;
    }
    std::stringstream json;
    json << iso.rdbuf();
    CountryCodeTable codes = ParseIsoCountryCodes(json.str());
    if (codes.empty()) {
        std::cerr << "make-iptocountry: no country codes in " << isoName << "\n";
        return 1;
    }
    AddRegistryCodes(codes);

    // Written beside the target and renamed, so that a failed run never leaves half a file.
    const std::string partial = outputName + ".partial";
    std::ofstream out(partial, std::ios::trunc);
    ConversionCounts counts = ConvertGeoip(geoip, geoipName, isoName, codes, out,
                                           ipv6 ? AddressFamily::IPv6 : AddressFamily::IPv4);
    out.close();
    if (!out || counts.written == 0) {
        std::cerr << "make-iptocountry: no ranges written to " << outputName << "\n";
        std::remove(partial.c_str());
        return 1;
    }
    if (std::rename(partial.c_str(), outputName.c_str()) != 0) {
        std::cerr << "make-iptocountry: cannot create " << outputName << "\n";
        return 1;
    }
    std::cout << std::filesystem::path(outputName).filename().string() << ": " << counts.written
              << " ranges (" << counts.unlisted << " with codes outside ISO 3166-1), "
              << counts.unknownCountry << " unknown-country ranges left out, " << counts.malformed
              << " malformed lines skipped\n";
    return 0;
}
