// How a worker reads one request from its connection: the head (request line and header lines)
// against one deadline, then the body the head announces. Over a StreamReader, so that the
// request fuzzer drives exactly this loop over bytes in memory.
#pragma once

#include "net/stream_reader.h"
#include "platform/clock.h"
#include "web/http_request.h"

#include <cstdint>
#include <string>

namespace rk::web {

// The request line and header lines, each of at most 1,023 characters, until an empty line, a
// closed connection, an error or the deadline. False when there is no request line with a blank
// (the connection is then closed without an answer).
bool readRequestHead(net::StreamReader& reader, HttpRequest& request, net::Deadline deadline);

struct RequestBody {
    std::string bytes;      // up to the first zero byte, as the zero-filled buffer was read
    bool announced = false; // a Content-Length came, so there was a body to read (maybe empty)
};

// After the fixed one-second pause, what arrives of the announced body within `limitMilliseconds`
// (a shorter body is used with what came). False when the announced body is larger than
// `maximumBody`: closed without an answer.
bool readRequestBody(net::StreamReader& reader, const HttpRequest& request, std::int32_t maximumBody,
                     const platform::Clock& clock, int limitMilliseconds, RequestBody& body);

} // namespace rk::web
