#include "app/ProgramVersion.h"

std::array<int, 4> ProgramVersionParts() {
    return {KESTRELPORT_VERSION_MAJOR, KESTRELPORT_VERSION_MINOR, KESTRELPORT_VERSION_PATCH,
            KESTRELPORT_VERSION_TWEAK};
}

std::string FormatVersion(const std::array<int, 4>& parts) {
    return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
           std::to_string(parts[2]) + "." + std::to_string(parts[3]);
}
