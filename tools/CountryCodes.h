#pragma once
// Two-letter country codes with their three-letter codes and names, read from the ISO 3166-1
// list that Debian's iso-codes package ships as JSON.

#include <map>
#include <string>
#include <string_view>

struct CountryNames {
    std::string alpha3;
    std::string name;
};

using CountryCodeTable = std::map<std::string, CountryNames, std::less<>>;

// Reads the entries' "alpha_2", "alpha_3" and "name"; entries lacking one of them are left out.
// Understands just the flat objects of that file, not JSON at large.
CountryCodeTable ParseIsoCountryCodes(std::string_view json);

// Adds the codes that address registries use but ISO 3166-1 does not list, unless present.
void AddRegistryCodes(CountryCodeTable& table);
