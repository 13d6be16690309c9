// The Linux parallel ports: every port the kernel's parport layer knows
// (/proc/sys/dev/parport/parportN) and every ppdev device (/dev/parportN).
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "portio/ParallelPortList.h"
#include "portio/ParportDirectory.h"

namespace tallis {

namespace {

std::string UserName(uid_t uid) {
    const passwd* user = getpwuid(uid);
    return user != nullptr ? user->pw_name : std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    const group* found = getgrgid(gid);
    return found != nullptr ? found->gr_name : std::to_string(gid);
}

std::string DeviceAccess(const std::string& device) {
    struct stat status {};
    if (stat(device.c_str(), &status) != 0) {
        return "no " + device + " (load the ppdev module); only root reaches the port, directly";
    }
    std::string access = "through " + device + ", owner " + UserName(status.st_uid) + ", group " +
                         GroupName(status.st_gid) + ", ";
    if (::access(device.c_str(), R_OK | W_OK) == 0) {
        return access + "you may open it";
    }
    return access + "you may not open it (join group " + GroupName(status.st_gid) +
           " and log in again)";
}

// The N of every /dev/parportN.
std::set<int> DeviceNumbers(const std::string& devRoot) {
    namespace fs = std::filesystem;
    std::set<int> numbers;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(devRoot, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("parport", 0) != 0 || name.size() == 7 ||
            name.find_first_not_of("0123456789", 7) != std::string::npos || name.size() > 11) {
            continue;
        }
        numbers.insert(std::stoi(name.substr(7)));
    }
    return numbers;
}

}  // namespace

std::vector<ParallelPortInfo> ListLinuxParallelPorts(const std::string& procRoot,
                                                     const std::string& devRoot) {
    std::vector<ParallelPortInfo> ports;
    std::set<int> numbers = DeviceNumbers(devRoot);
    std::set<int> listed;
    auto add = [&](int number, std::optional<std::uint16_t> base) {
        const std::string device = devRoot + "/parport" + std::to_string(number);
        ports.push_back({device, base, DeviceAccess(device)});
        listed.insert(number);
    };
    for (const ParportEntry& parport : ListParports(procRoot)) {
        std::optional<std::uint16_t> base;
        if (parport.base <= 0xFFFF) {
            base = static_cast<std::uint16_t>(parport.base);
        }
        add(parport.number, base);
    }
    for (int number : numbers) {
        if (listed.count(number) == 0) {
            add(number, std::nullopt);
        }
    }
    return ports;
}

std::vector<ParallelPortInfo> ListParallelPorts(PortDriver) {
    return ListLinuxParallelPorts("/proc", "/dev");
}

}  // namespace tallis
