// The two small documents of the log-in: connection.xml (what the main unit says about itself)
// and file_list.xml (what the PC tells the main unit to move).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rk::link {

struct DeviceInfo {
    std::optional<std::string> firmwareVersion; // fw_ver
    std::optional<std::string> deviceType;      // dev_type
    std::optional<std::string> password;        // password
};

// Reads the first fw_ver, dev_type and password elements anywhere in the document; nullopt when
// the bytes are not a well-formed XML document. Element texts are returned as the raw bytes.
std::optional<DeviceInfo> parseConnectionInfo(std::string_view xml);

enum Direction { kDirectionWrite = 0, kDirectionRead = 1 };

// The file_list.xml text: root, UD-TYPE, one line per list entry that names a known file, in
// list order, every line ended by CR LF. `address` is the host (read) or the PC's address (write).
std::string buildFileList(int direction, std::string_view address, const std::vector<std::string>& fileList);

} // namespace rk::link
