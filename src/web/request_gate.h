// Who may use browser editing. The pages show a customer's phonebook and change what is written
// to the exchange, and ask for no password: only the operator's own pages may reach them. Every
// request passes this gate after it is read and before it is handled, so that another site open
// in the same browser (a <script src>, a hidden form), a name rebound to this machine, or another
// machine on the network gets nothing and changes nothing.
//
// A request without the headers below (a command-line tool, an old browser) passes as before; a
// browser always says where a request comes from, and the gate believes only its own origin.
#pragma once

#include "web/http_request.h"

#include <string>
#include <string_view>

namespace rk::web {

enum class GateRule {
    None,
    // The Host header names neither the address listened on nor, on loopback, localhost or
    // 127.0.0.1: a name rebound to this machine.
    Host,
    // The Origin header is not the server's own origin (Origin: null included): another site.
    Origin,
    // Sec-Fetch-Site says the request comes from another site or origin.
    FetchSite,
    // Off loopback, the session's access key came neither in the query nor in its cookie.
    Key,
};

// The rule's name as serve reports it: "Host", "Origin", "Sec-Fetch-Site", "key".
std::string_view gateRuleName(GateRule rule);

struct GateSettings {
    std::string address; // dotted, as listened on
    int port = 0;
    // Empty on a loopback address; otherwise every request must carry it.
    std::string accessKey;
};

struct GateVerdict {
    GateRule refusedBy = GateRule::None;
    // The key came in the query: the answer hands it over as a cookie for the requests after it.
    bool setCookie = false;
    bool allowed() const { return refusedBy == GateRule::None; }
};

GateVerdict checkRequest(const HttpRequest& request, const GateSettings& settings);

// 127.0.0.0/8.
bool isLoopbackAddress(std::string_view dottedAddress);

// A new access key: 128 bits from the system's random source as 32 hexadecimal digits; empty
// when the source gives none.
std::string makeAccessKey();

// The answer's extra header line that hands the key to the browser, CR LF included.
std::string keyCookieLine(std::string_view accessKey);

} // namespace rk::web
