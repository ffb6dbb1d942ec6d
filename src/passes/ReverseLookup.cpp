#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <thread>

#include "passes/ReverseDns.h"

namespace {

// The port means nothing to a reverse lookup; any value would do.
constexpr std::uint16_t kLookupPort = 27015;

std::string FailureText(int code) {
    return "Error # " + std::to_string(static_cast<long>(code)) + "\n";
}

std::string NameOf(const sockaddr* address, socklen_t length) {
    char host[1025];
    char service[32];
    // Without NI_NAMEREQD an address that has no name comes back in its numeric form.
    const int result =
        getnameinfo(address, length, host, sizeof host, service, sizeof service, NI_NUMERICSERV);
    if (result == 0) return host;
    return FailureText(result == EAI_SYSTEM ? errno : result);
}

}  // namespace

std::string ReverseLookup(const std::string& address) {
    sockaddr_in v4{};
    if (inet_pton(AF_INET, address.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(kLookupPort);
        return NameOf(reinterpret_cast<const sockaddr*>(&v4), sizeof v4);
    }
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(kLookupPort);
        return NameOf(reinterpret_cast<const sockaddr*>(&v6), sizeof v6);
    }
    // Servers that log host names instead of addresses have done the lookup already; asking the
    // name service about a name that is no address would only store a wrong name.
    return address;
}

unsigned DefaultLookupWorkers() {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : processors;
}
