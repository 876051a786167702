// The program's own port 9000 in both directions, with the main unit in a network namespace of
// its own so that nothing else on the machine is touched. Needs root; skips where a namespace
// cannot be made.
#include "link/device_session.h"

#include "mainunit/main_unit_simulator.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "support/test_seam.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool run(const std::string& commandLine) {
    return std::system((commandLine + " >/dev/null 2>&1").c_str()) == 0;
}

bool portFree(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

// A namespace "rkunit<pid>" joined to this one by a veth pair on a /30 of its own.
class UnitNamespace {
public:
    UnitNamespace() {
        const std::string id = std::to_string(::getpid() % 100000);
        name_ = "rkunit" + id;
        pcLink_ = "rkpc" + id;
        const std::string unitLink = "rku" + id;
        const std::string subnet = "10.213." + std::to_string(::getpid() % 250) + ".";
        pcAddress_ = subnet + "1";
        unitAddress_ = subnet + "2";
        ready_ = run("ip netns add " + name_) &&
                 run("ip link add " + pcLink_ + " type veth peer name " + unitLink) &&
                 run("ip link set " + unitLink + " netns " + name_) &&
                 run("ip addr add " + pcAddress_ + "/30 dev " + pcLink_) &&
                 run("ip link set " + pcLink_ + " up") &&
                 run("ip netns exec " + name_ + " ip addr add " + unitAddress_ + "/30 dev " + unitLink) &&
                 run("ip netns exec " + name_ + " ip link set " + unitLink + " up") &&
                 run("ip netns exec " + name_ + " ip link set lo up");
    }
    ~UnitNamespace() {
        run("ip link del " + pcLink_);
        run("ip netns del " + name_);
    }
    bool ready() const { return ready_; }
    std::string path() const { return "/var/run/netns/" + name_; }
    const std::string& pcAddress() const { return pcAddress_; }
    const std::string& unitAddress() const { return unitAddress_; }

private:
    std::string name_, pcLink_, pcAddress_, unitAddress_;
    bool ready_ = false;
};

} // namespace

TEST(RealPort, ReadAndWriteOnPort9000WithTheUnitInItsOwnNamespace) {
    if (::geteuid() != 0) GTEST_SKIP() << "creating a network namespace needs root";
    if (!portFree(9000)) GTEST_SKIP() << "port 9000 is in use on this machine";
    UnitNamespace unitNamespace;
    if (!unitNamespace.ready()) GTEST_SKIP() << "network namespaces cannot be made here (ip netns failed)";

    rk::testing::RecordingUi ui;
    rk::testing::TestSeam seam(ui);
    rk::Workspace workspace;
    rk::testing::TempDir work;
    for (const char* page : {"sys-tan000.txt", "sys-tan500.txt", "tel-tan101.txt", "tel-tan126.txt",
                             "tel-tan151.txt", "tel-tan176.txt"})
        work.write(page, page);

    rk::mainunit::MainUnitSimulator::Options options;
    options.networkNamespace = unitNamespace.path();
    options.listenAddress = unitNamespace.unitAddress();
    options.port = rk::link::DeviceSession::kDefaultPort;
    options.pcAddress = unitNamespace.pcAddress();
    options.pcPort = rk::link::DeviceSession::kDefaultPort;
    options.systan = "000,0312345678,,,01,\n\n";

    rk::link::DeviceSession session(workspace, seam);
    session.SetWorkDirectory(work.str());
    session.SetPassword("1234");
    session.SetHost(unitNamespace.unitAddress(), rk::link::DeviceSession::kDefaultPort);
    EXPECT_EQ(session.listenPort(), 9000);

    for (bool read : {true, false}) {
        rk::mainunit::MainUnitSimulator unit(options);
        ASSERT_TRUE(unit.start());
        EXPECT_EQ(read ? session.ReadPhonebook(0) : session.WritePhonebook(0), 0)
            << (read ? "read" : "write");
        unit.finish(5);
        if (!read) {
            EXPECT_EQ(unit.uploads().size(), 7u);
        }
    }
    EXPECT_NE(work.read("sys-tan.txt").find("000,0312345678,,,01\r\n"), std::string::npos);
    EXPECT_TRUE(ui.boxes().empty());
}
