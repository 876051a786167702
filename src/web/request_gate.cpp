#include "web/request_gate.h"

#include <arpa/inet.h>
#include <cerrno>
#include <sys/random.h>

namespace rk::web {
namespace {

constexpr std::string_view kKeyCookie = "rkdial-key=";

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// The host of "host[:port]" or "[v6]:port"; `valid` is false when the brackets do not close or
// something other than the port follows them.
std::string_view hostPart(std::string_view authority, bool& valid) {
    valid = true;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            valid = false;
            return {};
        }
        const std::string_view rest = authority.substr(close + 1);
        valid = rest.empty() || rest.starts_with(':');
        return authority.substr(1, close - 1);
    }
    return authority.substr(0, authority.find(':'));
}

std::string_view portPart(std::string_view authority) {
    const std::size_t close = authority.starts_with('[') ? authority.find(']') : 0;
    const std::size_t colon = authority.find(':', close == std::string_view::npos ? 0 : close);
    return colon == std::string_view::npos ? std::string_view() : authority.substr(colon + 1);
}

bool allowedHost(std::string_view host, const GateSettings& settings) {
    if (!host.empty() && sameLetters(host, settings.address)) return true;
    return isLoopbackAddress(settings.address) && (sameLetters(host, "localhost") || host == "127.0.0.1");
}

// The server's own origin: http://, an allowed host, and the port (which a browser leaves out
// for 80).
bool ownOrigin(std::string_view origin, const GateSettings& settings) {
    constexpr std::string_view kScheme = "http://";
    if (!origin.starts_with(kScheme)) return false;
    const std::string_view authority = origin.substr(kScheme.size());
    if (authority.find('/') != std::string_view::npos) return false;
    bool valid = false;
    const std::string_view host = hostPart(authority, valid);
    if (!valid || !allowedHost(host, settings)) return false;
    const std::string_view port = portPart(authority);
    if (port.empty()) return settings.port == 80 && authority.back() != ':';
    return port == std::to_string(settings.port);
}

// Every byte is compared whatever the bytes before gave, so that the time taken tells nothing
// about how much of a guess was right.
bool sameKey(std::string_view given, std::string_view key) {
    unsigned difference = given.size() == key.size() ? 0u : 1u;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char byte = i < given.size() ? given[i] : '\0';
        difference |= static_cast<unsigned char>(byte ^ key[i]);
    }
    return difference == 0;
}

// Whether one of the `separator`-separated items of `list`, blanks trimmed, is `name` followed
// by the key.
bool carriesKey(std::string_view list, char separator, std::string_view name, std::string_view key) {
    bool found = false;
    while (!list.empty()) {
        const std::size_t end = list.find(separator);
        std::string_view item = list.substr(0, end);
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        while (item.starts_with(' ')) item.remove_prefix(1);
        while (item.ends_with(' ')) item.remove_suffix(1);
        if (item.starts_with(name)) found = sameKey(item.substr(name.size()), key) || found;
    }
    return found;
}

} // namespace

std::string_view gateRuleName(GateRule rule) {
    switch (rule) {
    case GateRule::None:
        return "none";
    case GateRule::Host:
        return "Host";
    case GateRule::Origin:
        return "Origin";
    case GateRule::FetchSite:
        return "Sec-Fetch-Site";
    case GateRule::Key:
        return "key";
    }
    return "none";
}

GateVerdict checkRequest(const HttpRequest& request, const GateSettings& settings) {
    GateVerdict verdict;
    const bool keyed = !settings.accessKey.empty();
    // With a key the key vouches for the client; the name it used does not matter.
    if (!keyed && request.host.present()) {
        bool valid = false;
        const std::string_view host = hostPart(request.host.value, valid);
        if (request.host.count > 1 || !valid || !allowedHost(host, settings)) {
            verdict.refusedBy = GateRule::Host;
            return verdict;
        }
    }
    if (request.origin.present() &&
        (request.origin.count > 1 || !ownOrigin(request.origin.value, settings))) {
        verdict.refusedBy = GateRule::Origin;
        return verdict;
    }
    if (request.fetchSite.present() &&
        (request.fetchSite.count > 1 ||
         (request.fetchSite.value != "same-origin" && request.fetchSite.value != "none"))) {
        verdict.refusedBy = GateRule::FetchSite;
        return verdict;
    }
    if (keyed) {
        const bool inQuery = carriesKey(request.query, '&', "key=", settings.accessKey);
        const bool inCookie =
            request.cookie.present() && carriesKey(request.cookie.value, ';', kKeyCookie, settings.accessKey);
        if (!inQuery && !inCookie) {
            verdict.refusedBy = GateRule::Key;
            return verdict;
        }
        verdict.setCookie = inQuery;
    }
    return verdict;
}

bool isLoopbackAddress(std::string_view dottedAddress) {
    in_addr address{};
    if (::inet_pton(AF_INET, std::string(dottedAddress).c_str(), &address) != 1) return false;
    return (ntohl(address.s_addr) >> 24) == 127;
}

std::string makeAccessKey() {
    unsigned char bytes[16];
    std::size_t filled = 0;
    while (filled < sizeof bytes) {
        const ssize_t got = ::getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return {};
        filled += static_cast<std::size_t>(got);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string key;
    for (const unsigned char byte : bytes) {
        key += kDigits[byte >> 4];
        key += kDigits[byte & 0x0F];
    }
    return key;
}

std::string keyCookieLine(std::string_view accessKey) {
    return "Set-Cookie: " + std::string(kKeyCookie) + std::string(accessKey) +
           "; HttpOnly; SameSite=Strict; Path=/\r\n";
}

} // namespace rk::web
