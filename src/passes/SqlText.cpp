#include "passes/SqlText.h"

namespace {

template <class NextValue>
std::string FillPlaces(std::string_view pattern, NextValue&& nextValue) {
    std::string out;
    out.reserve(pattern.size() + 64);
    std::size_t start = 0;
    for (std::size_t place = pattern.find("%s"); place != std::string_view::npos;
         place = pattern.find("%s", start)) {
        out.append(pattern.substr(start, place - start));
        out.append(nextValue());
        start = place + 2;
    }
    out.append(pattern.substr(start));
    return out;
}

}  // namespace

std::string FormatSql(std::string_view pattern, std::initializer_list<std::string_view> values) {
    auto value = values.begin();
    return FillPlaces(pattern, [&]() -> std::string_view {
        return value == values.end() ? std::string_view() : *value++;
    });
}

std::string FormatWithBase(std::string_view pattern, std::string_view base) {
    return FillPlaces(pattern, [&] { return base; });
}

