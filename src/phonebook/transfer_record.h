// What a completed read or write with the main unit hands on: the phonebook files as they went
// over the link. The device link produces these records; whoever keeps them (the history of
// transfers) receives them through a TransferLog that the front end hands to the procedures.
#pragma once

#include <string>

namespace rk::phonebook {

enum class TransferDirection { Read, Write };

struct TransferRecord {
    std::string host; // CP932, as entered
    TransferDirection direction = TransferDirection::Read;
    int memoryMode = 1; // 1 = 600 common memories, 2 = 990
    std::string firmwareVersion;
    std::string commonFile; // sys-tan.txt as read or sent (the main unit's column order)
    std::string myFile;     // tel-tan.txt as read or sent
};

// Told of every completed transfer. Whatever goes wrong in keeping it stays with the log: the
// transfer has completed either way.
class TransferLog {
public:
    virtual ~TransferLog() = default;
    virtual void completed(const TransferRecord& record) = 0;
};

} // namespace rk::phonebook
