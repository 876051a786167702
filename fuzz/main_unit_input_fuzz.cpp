// Arbitrary bytes as everything the main unit sends: status, request and header lines,
// connection.xml, and the phonebook texts of a read.
#include "link/device_info.h"
#include "link/http_message.h"
#include "phonebook/download_conversion.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    int code = 0;
    rk::link::parseStatusLine(input, code);
    rk::link::statusClass(code);
    int method = 0;
    std::string path;
    rk::link::parseRequestLine(input, method, path);
    for (int state = 0; state <= 3; ++state) {
        rk::link::HttpHeaderRecord record;
        bool keepAlive = false;
        rk::link::parseHeaderLine(input, state, record, keepAlive);
        rk::link::checkAuthorization(record.authorization, "1234");
        rk::link::buildResponseHeader(record.contentLength >= 0 ? 200 : 404, path, state, &record);
    }
    const std::string decoded = rk::link::base64Decode(input);
    if (rk::link::base64Decode(rk::link::base64Encode(decoded)) != decoded) __builtin_trap();
    rk::link::urlUnescape(input);
    rk::link::parseConnectionInfo(input);
    for (int fwIs100 = 0; fwIs100 <= 1; ++fwIs100) {
        rk::phonebook::convertCommonPhonebook(input, fwIs100);
        rk::phonebook::convertMyPhonebook(input, fwIs100);
    }
    return 0;
}
