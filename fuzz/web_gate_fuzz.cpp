// The gate over arbitrary header sets. The first byte chooses the server: loopback or a network
// address with a key, port 80 or another; the first line is the query, every further line a
// header line as a client may send it. Checked against what the server's own origin allows,
// spelled out here independently: a request let through names only the server's own hosts and
// origin, no other site, and (with a key) carries the key.
#include "web/http_request.h"
#include "web/request_gate.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace rk::web;

constexpr std::string_view kKey = "0123456789abcdef0123456789abcdef";

void check(bool condition) {
    if (!condition) std::abort();
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::vector<std::string> ownHosts(const GateSettings& settings) {
    std::vector<std::string> hosts = {settings.address};
    if (settings.address.starts_with("127.")) {
        hosts.emplace_back("localhost");
        hosts.emplace_back("127.0.0.1");
    }
    return hosts;
}

bool isOwnOrigin(std::string_view origin, const GateSettings& settings) {
    for (const std::string& host : ownHosts(settings)) {
        const std::string base = "http://" + host;
        if (lowered(origin) == base + ":" + std::to_string(settings.port)) return true;
        if (settings.port == 80 && lowered(origin) == base) return true;
    }
    return false;
}

bool namesOwnHost(std::string_view value, const GateSettings& settings) {
    const std::string text = lowered(value);
    for (const std::string& host : ownHosts(settings))
        if (text == host || text.starts_with(host + ":")) return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    GateSettings settings;
    settings.address = (data[0] & 1) != 0 ? "192.0.2.7" : "127.0.0.1";
    settings.port = (data[0] & 2) != 0 ? 80 : 8080;
    if ((data[0] & 1) != 0 || (data[0] & 4) != 0) settings.accessKey = std::string(kKey);

    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    HttpRequest request;
    bool first = true;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (first) {
            request.query = std::string(line);
            first = false;
        } else {
            parseHeaderLine(line, request);
        }
    }

    const GateVerdict verdict = checkRequest(request, settings);
    if (!verdict.allowed()) {
        check(!verdict.setCookie);
        return 0;
    }
    const bool keyed = !settings.accessKey.empty();
    if (!keyed && request.host.present())
        check(request.host.count == 1 && namesOwnHost(request.host.value, settings));
    if (request.origin.present())
        check(request.origin.count == 1 && isOwnOrigin(request.origin.value, settings));
    if (request.fetchSite.present())
        check(request.fetchSite.count == 1 &&
              (request.fetchSite.value == "same-origin" || request.fetchSite.value == "none"));
    if (keyed) {
        const bool inQuery = request.query.find("key=" + settings.accessKey) != std::string::npos;
        check(inQuery || request.cookie.value.find("rkdial-key=" + settings.accessKey) != std::string::npos);
        if (verdict.setCookie) check(inQuery);
    } else {
        check(!verdict.setCookie);
    }
    return 0;
}
