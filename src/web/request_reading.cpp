#include "web/request_reading.h"

namespace rk::web {
namespace {

constexpr int kLineSize = 1024; // lines of at most 1,023 characters

} // namespace

bool readRequestHead(net::StreamReader& reader, HttpRequest& request, net::Deadline deadline) {
    const net::WaitLimit wait = net::WaitLimit::until(deadline);
    std::string line;
    if (reader.readLine(line, kLineSize, wait) < 0) return false;
    if (!parseRequestLine(line, request)) return false;
    while (reader.readLine(line, kLineSize, wait) > 0) parseHeaderLine(line, request);
    return true;
}

bool readRequestBody(net::StreamReader& reader, const HttpRequest& request, std::int32_t maximumBody,
                     const platform::Clock& clock, int limitMilliseconds, RequestBody& body) {
    switch (planBody(request, maximumBody)) {
    case BodyPlan::Refuse:
        return false;
    case BodyPlan::None:
        return true;
    case BodyPlan::Read:
        break;
    }
    body.announced = true;
    clock.pause(1000);
    const net::WaitLimit wait = net::WaitLimit::until(std::chrono::steady_clock::now() +
                                                      std::chrono::milliseconds(limitMilliseconds));
    int total = 0;
    while (total < request.contentLength) {
        const int received = reader.readSome(body.bytes, request.contentLength - total, wait);
        if (received == net::ByteSource::kFailed) {
            body.bytes.clear();
            break;
        }
        if (received <= 0) break; // closed, or the time is up
        total += received;
    }
    if (const auto zero = body.bytes.find('\0'); zero != std::string::npos) body.bytes.resize(zero);
    return true;
}

} // namespace rk::web
