#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "portio/ParallelPortList.h"

namespace tallis {
namespace {

namespace fs = std::filesystem;

TEST(ParallelPortList, JoinsTheKernelsPortsWithTheirDevices) {
    const fs::path root = fs::temp_directory_path() / ("parports-" + std::to_string(getpid()));
    fs::create_directories(root / "proc/sys/dev/parport/parport1");
    fs::create_directories(root / "proc/sys/dev/parport/parport0");
    fs::create_directories(root / "proc/sys/dev/parport/default");
    fs::create_directories(root / "dev");
    std::ofstream(root / "proc/sys/dev/parport/parport0/base-addr") << "888\t1912\n";
    std::ofstream(root / "proc/sys/dev/parport/parport1/base-addr") << "53264\t53248\n";
    std::ofstream(root / "dev/parport0") << "";
    std::ofstream(root / "dev/parport3") << "";  // a device the kernel entry lacks
    std::ofstream(root / "dev/parportx") << "";

    auto ports = ListLinuxParallelPorts((root / "proc").string(), (root / "dev").string());
    fs::remove_all(root);

    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].name, (root / "dev/parport0").string());
    EXPECT_EQ(ports[0].base, std::uint16_t{0x378});
    EXPECT_NE(ports[0].access.find("you may open it"), std::string::npos) << ports[0].access;
    EXPECT_EQ(ports[1].base, std::uint16_t{0xD010});
    EXPECT_NE(ports[1].access.find("no "), std::string::npos) << "the device is missing";
    EXPECT_EQ(ports[2].name, (root / "dev/parport3").string());
    EXPECT_FALSE(ports[2].base.has_value());
}

TEST(ParallelPortList, NoneWithoutEntries) {
    EXPECT_TRUE(ListLinuxParallelPorts("/nonexistent/proc", "/nonexistent/dev").empty());
}

}  // namespace
}  // namespace tallis
