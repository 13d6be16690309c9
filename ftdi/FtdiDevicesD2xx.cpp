#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "ftdi/D2xxApi.h"
#include "ftdi/FtdiDevices.h"
#include "ftdi/FtdiSelector.h"
#include "portio/DriverPath.h"
#include "portio/NativeWin32Api.h"

namespace tallis::ftdi {

namespace {

constexpr UCHAR kLatencyMs = 1;  // a partial packet of samples waits no longer
// A read returns what has come by then: long enough for a USB round trip,
// short enough that samples that stopped coming are noticed within seconds
// (the transport gives up after a run of empty reads).
constexpr ULONG kReadTimeoutMs = 10;
// The transport never writes more than the chip can take before it reads.
constexpr ULONG kWriteTimeoutMs = 1000;

std::string StatusText(d2xx::Status status) {
    const std::string number = " (" + std::to_string(status) + ")";
    return status < std::size(d2xx::kStatusNames) ? d2xx::kStatusNames[status] + number
                                                  : "FT_STATUS" + number;
}

// The loaded library and the functions TALLIS calls; let go when the last
// user of it is gone.
class D2xxLibrary {
  public:
    static std::shared_ptr<D2xxLibrary> Load(std::string& problem) {
        auto library = std::shared_ptr<D2xxLibrary>(new D2xxLibrary());
        problem = library->Start();
        return problem.empty() ? library : nullptr;
    }
    ~D2xxLibrary() {
        if (module_ != Win32Api::kNullHandle) {
            api_.FreeLibrary(module_);
        }
    }
    D2xxLibrary(const D2xxLibrary&) = delete;
    D2xxLibrary& operator=(const D2xxLibrary&) = delete;

    d2xx::CreateDeviceInfoList createDeviceInfoList = nullptr;
    d2xx::GetDeviceInfoList getDeviceInfoList = nullptr;
    d2xx::Open open = nullptr;
    d2xx::OpenEx openEx = nullptr;
    d2xx::Close close = nullptr;
    d2xx::SetBitMode setBitMode = nullptr;
    d2xx::SetBaudRate setBaudRate = nullptr;
    d2xx::SetLatencyTimer setLatencyTimer = nullptr;
    d2xx::SetTimeouts setTimeouts = nullptr;
    d2xx::Purge purge = nullptr;
    d2xx::Write write = nullptr;
    d2xx::Read read = nullptr;

  private:
    D2xxLibrary() = default;

    // Where it is looked for, and what to do when it is not there.
    std::string Start() {
        module_ = api_.LoadLibraryA(d2xx::kLibraryName);
        if (module_ == Win32Api::kNullHandle) {
            const std::uint32_t error = api_.GetLastError();
            return LibraryNotLoadedText(
                d2xx::kLibraryName, "FTDI's D2XX driver", api_.FindLibrary(d2xx::kLibraryName),
                error, api_.ModuleFileName(),
                ": install FTDI's driver package (CDM), which puts it in the system folder");
        }
        std::string missing;
        Take(createDeviceInfoList, "FT_CreateDeviceInfoList", missing);
        Take(getDeviceInfoList, "FT_GetDeviceInfoList", missing);
        Take(open, "FT_Open", missing);
        Take(openEx, "FT_OpenEx", missing);
        Take(close, "FT_Close", missing);
        Take(setBitMode, "FT_SetBitMode", missing);
        Take(setBaudRate, "FT_SetBaudRate", missing);
        Take(setLatencyTimer, "FT_SetLatencyTimer", missing);
        Take(setTimeouts, "FT_SetTimeouts", missing);
        Take(purge, "FT_Purge", missing);
        Take(write, "FT_Write", missing);
        Take(read, "FT_Read", missing);
        if (!missing.empty()) {
            return api_.FindLibrary(d2xx::kLibraryName) + " has no " + missing +
                   ": it is not FTDI's D2XX library";
        }
        return {};
    }

    template <typename Function>
    void Take(Function& function, const char* name, std::string& missing) {
        function = reinterpret_cast<Function>(api_.GetProcAddress(module_, name));
        if (function == nullptr) {
            missing += (missing.empty() ? "" : ", ") + std::string(name);
        }
    }

    NativeWin32Api api_;
    Win32Api::Handle module_ = Win32Api::kNullHandle;
};

class D2xxDevice final : public BitBangDevice {
  public:
    D2xxDevice(std::shared_ptr<D2xxLibrary> library, d2xx::Handle handle)
        : library_(std::move(library)), handle_(handle) {}
    ~D2xxDevice() override { library_->close(handle_); }
    D2xxDevice(const D2xxDevice&) = delete;
    D2xxDevice& operator=(const D2xxDevice&) = delete;

    int Write(std::span<const std::uint8_t> bytes) override {
        DWORD written = 0;
        const bool done = Check(library_->write(handle_, const_cast<std::uint8_t*>(bytes.data()),
                                                static_cast<DWORD>(bytes.size()), &written));
        return done ? static_cast<int>(written) : -1;
    }
    // The library waits for all of them, or for the read timeout.
    int Read(std::span<std::uint8_t> samples) override {
        DWORD got = 0;
        const bool done = Check(
            library_->read(handle_, samples.data(), static_cast<DWORD>(samples.size()), &got));
        return done ? static_cast<int>(got) : -1;
    }
    bool SetBaudRate(std::uint32_t baud) override {
        return Check(library_->setBaudRate(handle_, baud));
    }
    bool SetBitMode(std::uint8_t outputMask, BitMode mode) override {
        return Check(library_->setBitMode(handle_, outputMask, static_cast<UCHAR>(mode)));
    }
    std::string LastError() const override { return StatusText(lastStatus_); }

  private:
    bool Check(d2xx::Status status) {
        if (status != d2xx::kOk) {
            lastStatus_ = status;
        }
        return status == d2xx::kOk;
    }

    std::shared_ptr<D2xxLibrary> library_;
    d2xx::Handle handle_;
    d2xx::Status lastStatus_ = d2xx::kOk;
};

// The chip a list entry's type names.
const char* TypeOf(ULONG type) {
    switch (type) {
        case d2xx::kTypeBm:
            return "FT232BM";
        case d2xx::kType2232C:
            return "FT2232C";
        case d2xx::kType232R:
            return "FT232R";
        case d2xx::kType2232H:
            return "FT2232H";
        case d2xx::kType4232H:
            return "FT4232H";
        case d2xx::kType232H:
            return "FT232H";
        case d2xx::kTypeXSeries:
            return "FT-X";
        default:
            return "FTDI";
    }
}

// A device another program holds shows only that flag: no strings.
std::vector<d2xx::ListNode> ListNodes(D2xxLibrary& library, std::string& problem) {
    DWORD count = 0;
    d2xx::Status status = library.createDeviceInfoList(&count);
    std::vector<d2xx::ListNode> nodes(count);
    if (status == d2xx::kOk && count > 0) {
        status = library.getDeviceInfoList(nodes.data(), &count);
        nodes.resize(std::min<std::size_t>(count, nodes.size()));
    }
    if (status != d2xx::kOk) {
        problem = "cannot list the FTDI devices: " + StatusText(status);
        return {};
    }
    return nodes;
}

FtdiListing ListingOf(const d2xx::ListNode& node, int index) {
    FtdiListing listing;
    listing.index = index;
    listing.type = TypeOf(node.type);
    listing.serial.assign(node.serialNumber, strnlen(node.serialNumber, sizeof node.serialNumber));
    listing.description.assign(node.description,
                               strnlen(node.description, sizeof node.description));
    if ((node.flags & d2xx::kFlagOpened) != 0) {
        listing.problem = "in use by another program";
    }
    return listing;
}

// The library lists each channel of a two- or four-channel chip as a device
// of its own, its serial number that of the chip with the channel's letter.
bool Wanted(const FtdiSelector& selector, const d2xx::ListNode& node, const FtdiListing& listing) {
    const ULONG ids = static_cast<ULONG>(selector.vid) << 16 | static_cast<ULONG>(selector.pid);
    if (selector.by == FtdiSelector::By::Ids && node.id != ids) {
        return false;
    }
    return selector.channel == 0 ||
           (!listing.serial.empty() && listing.serial.back() == 'A' + selector.channel - 1);
}

d2xx::Status OpenListed(D2xxLibrary& library, const FtdiListing& listing, d2xx::Handle& handle) {
    if (listing.serial.empty()) {
        return library.open(listing.index, &handle);
    }
    std::string serial = listing.serial;
    return library.openEx(serial.data(), d2xx::kOpenBySerialNumber, &handle);
}

}  // namespace

std::vector<FtdiListing> ListFtdiDevices(std::string& problem) {
    const std::shared_ptr<D2xxLibrary> library = D2xxLibrary::Load(problem);
    if (!library) {
        return {};
    }
    std::vector<FtdiListing> listings;
    int index = 0;
    for (const d2xx::ListNode& node : ListNodes(*library, problem)) {
        listings.push_back(ListingOf(node, index++));
    }
    return listings;
}

OpenedFtdi OpenFtdiDevice(std::string_view text, std::string& problem) {
    FtdiSelector selector = ParseFtdiSelector(text);
    const std::shared_ptr<D2xxLibrary> library = D2xxLibrary::Load(problem);
    if (!library) {
        return {};
    }
    if (selector.channel != 0 && selector.by == FtdiSelector::By::Serial) {
        selector.serial += static_cast<char>('A' + selector.channel - 1);
    }
    std::vector<FtdiListing> listings;
    int index = 0;
    for (const d2xx::ListNode& node : ListNodes(*library, problem)) {
        FtdiListing listing = ListingOf(node, index++);
        if (Wanted(selector, node, listing)) {
            listings.push_back(std::move(listing));
        }
    }
    const std::optional<std::size_t> chosen =
        problem.empty() ? ChooseFtdiDevice(selector, listings, problem) : std::nullopt;
    if (!chosen) {
        return {};
    }
    const FtdiListing& listing = listings[*chosen];
    if (!listing.problem.empty()) {
        problem = "the FTDI device is " + listing.problem + ": close it there first";
        return {};
    }
    d2xx::Handle handle = nullptr;
    if (const d2xx::Status status = OpenListed(*library, listing, handle); status != d2xx::kOk) {
        problem = "cannot open the FTDI device: " + StatusText(status);
        return {};
    }
    library->setLatencyTimer(handle, kLatencyMs);
    library->setTimeouts(handle, kReadTimeoutMs, kWriteTimeoutMs);
    library->purge(handle, d2xx::kPurgeRx | d2xx::kPurgeTx);
    return {.device = std::make_unique<D2xxDevice>(library, handle),
            .chip = &BitBangChipOfType(listing.type)};
}

bool FtdiDevicesSupported() {
    return true;
}

}  // namespace tallis::ftdi
