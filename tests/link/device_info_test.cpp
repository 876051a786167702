#include "link/device_info.h"

#include <gtest/gtest.h>

using namespace rk::link;

TEST(ConnectionInfo, FirstElementsAnywhereInTheDocument) {
    const auto info =
        parseConnectionInfo("<root><a><fw_ver>1.01</fw_ver></a>\r\n<dev_type>Rk/L</dev_type>\r\n"
                            "<password>1234</password><password>9999</password></root>");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->firmwareVersion, "1.01");
    EXPECT_EQ(info->deviceType, "Rk/L");
    EXPECT_EQ(info->password, "1234");
}

TEST(ConnectionInfo, MissingElementsAndBrokenDocuments) {
    const auto info = parseConnectionInfo("<root><fw_ver>1.00</fw_ver></root>");
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->deviceType.has_value());
    EXPECT_FALSE(parseConnectionInfo("<root><fw_ver>1.00</root>").has_value());
    EXPECT_FALSE(parseConnectionInfo("").has_value());
}

TEST(ConnectionInfo, ShiftJisTextIsKeptAsBytes) {
    const auto info = parseConnectionInfo("<root><dev_type>\x83\x5C</dev_type></root>");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->deviceType, "\x83\x5C");
}

TEST(FileList, ReadListsTheTwoPhonebookFiles) {
    EXPECT_EQ(buildFileList(kDirectionRead, "pbx", {"sys-tan.txt", "tel-tan.txt"}),
              "<root>\r\n<UD-TYPE>DOWNLOAD</UD-TYPE>\r\n<SYS-TAN>pbx/sys-tan.txt</SYS-TAN>\r\n"
              "<TEL-TAN>pbx/tel-tan.txt</TEL-TAN>\r\n</root>\r\n");
}

TEST(FileList, LongerKeysWinAndUnknownEntriesAreLeftOut) {
    const std::string list =
        buildFileList(kDirectionWrite, "192.0.2.1",
                      {"SYS-TAN000.TXT", "tel-tan176.txt", "tel-tan176.txt", "sys-tan001.txt",
                       "dset-180-2.txt", "dset-9000.txt", "bogus.txt"});
    EXPECT_EQ(list, "<root>\r\n<UD-TYPE>UPLOAD</UD-TYPE>\r\n"
                    "<SYS-TAN000>192.0.2.1/sys-tan000.txt</SYS-TAN000>\r\n"
                    "<TEL-TAN176>192.0.2.1/tel-tan176.txt</TEL-TAN176>\r\n"
                    "<TEL-TAN176>192.0.2.1/tel-tan176.txt</TEL-TAN176>\r\n"
                    "<DSET-180-2>192.0.2.1/dset-180-2.txt</DSET-180-2>\r\n"
                    "<DSET-9000>192.0.2.1/dset-9000.txt</DSET-9000>\r\n</root>\r\n");
}
