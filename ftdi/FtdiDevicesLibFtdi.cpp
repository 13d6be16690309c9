#include <ftdi.h>
#include <libusb.h>

#include <optional>

#include "ftdi/FtdiDevices.h"
#include "ftdi/FtdiSelector.h"

namespace tallis::ftdi {

namespace {

constexpr int kStringBytes = 128;
constexpr unsigned char kLatencyMs = 1;  // a partial packet of samples waits no longer

// The chip a device descriptor's bcdDevice names.
const char* TypeOf(libusb_device* dev) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(dev, &descriptor) != 0) {
        return "FTDI";
    }
    switch (descriptor.bcdDevice >> 8) {
        case 0x06:
            return "FT232R";
        case 0x07:
            return "FT2232H";
        case 0x08:
            return "FT4232H";
        case 0x09:
            return "FT232H";
        case 0x10:
            return "FT-X";
        default:
            return "FTDI";
    }
}

// What a user can do when the system refuses the device; libftdi does not
// say whether a failed open was a refusal.
const char* kPermissionHint =
    "; if the system refused it: install the udev rule 60-tallis-ftdi.rules (in "
    "/usr/lib/udev/rules.d with the package, or from packaging/), be in group plugdev, and "
    "plug the device in again";
constexpr int kOpenFailed = -4;

class LibFtdiDevice final : public BitBangDevice {
  public:
    explicit LibFtdiDevice(ftdi_context* context) : context_(context) {}
    ~LibFtdiDevice() override {
        ftdi_usb_close(context_);
        ftdi_free(context_);
    }
    LibFtdiDevice(const LibFtdiDevice&) = delete;
    LibFtdiDevice& operator=(const LibFtdiDevice&) = delete;

    int Write(std::span<const std::uint8_t> bytes) override {
        return ftdi_write_data(context_, bytes.data(), static_cast<int>(bytes.size()));
    }
    int Read(std::span<std::uint8_t> samples) override {
        return ftdi_read_data(context_, samples.data(), static_cast<int>(samples.size()));
    }
    // libftdi multiplies the rate by 4 while a bit-bang mode is on; the
    // transport sets it before.
    bool SetBaudRate(std::uint32_t baud) override {
        return ftdi_set_baudrate(context_, static_cast<int>(baud)) == 0;
    }
    bool SetBitMode(std::uint8_t outputMask, BitMode mode) override {
        return ftdi_set_bitmode(context_, outputMask, static_cast<unsigned char>(mode)) == 0;
    }
    std::string LastError() const override { return ftdi_get_error_string(context_); }

  private:
    ftdi_context* context_;
};

// The libftdi list of devices with their strings; the context opens each one
// briefly to read them.
struct Listed {
    libusb_device* dev;
    FtdiListing listing;
};

std::vector<Listed> Enumerate(ftdi_context* context, int vid, int pid, ftdi_device_list*& list,
                              std::string& problem) {
    std::vector<Listed> devices;
    const int count = ftdi_usb_find_all(context, &list, vid, pid);
    if (count < 0) {
        problem = std::string("cannot list the USB devices: ") + ftdi_get_error_string(context);
        return devices;
    }
    int index = 0;
    for (ftdi_device_list* node = list; node != nullptr; node = node->next, ++index) {
        char description[kStringBytes] = "";
        char serial[kStringBytes] = "";
        Listed listed{node->dev, {}};
        listed.listing.index = index;
        listed.listing.type = TypeOf(node->dev);
        const int status = ftdi_usb_get_strings(context, node->dev, nullptr, 0, description,
                                                kStringBytes, serial, kStringBytes);
        if (status == 0) {
            listed.listing.description = description;
            listed.listing.serial = serial;
        } else {
            listed.listing.problem =
                std::string("cannot open it") + (status == kOpenFailed ? kPermissionHint : "");
        }
        devices.push_back(listed);
    }
    return devices;
}

std::string OpenProblem(int status, ftdi_context* context) {
    std::string text =
        std::string("cannot open the FTDI device: ") + ftdi_get_error_string(context);
    if (status == kOpenFailed) {
        text += kPermissionHint;
    }
    return text;
}

}  // namespace

std::vector<FtdiListing> ListFtdiDevices(std::string& problem) {
    ftdi_context* context = ftdi_new();
    if (context == nullptr) {
        problem = "cannot start libftdi";
        return {};
    }
    ftdi_device_list* list = nullptr;
    std::vector<FtdiListing> listings;
    for (const Listed& listed : Enumerate(context, 0, 0, list, problem)) {
        listings.push_back(listed.listing);
    }
    ftdi_list_free(&list);
    ftdi_free(context);
    return listings;
}

OpenedFtdi OpenFtdiDevice(std::string_view text, std::string& problem) {
    const FtdiSelector selector = ParseFtdiSelector(text);
    ftdi_context* context = ftdi_new();
    if (context == nullptr) {
        problem = "cannot start libftdi";
        return {};
    }
    ftdi_device_list* list = nullptr;
    const std::vector<Listed> devices =
        Enumerate(context, selector.vid, selector.pid, list, problem);
    std::vector<FtdiListing> listings;
    for (const Listed& listed : devices) {
        listings.push_back(listed.listing);
    }
    const std::optional<std::size_t> chosen =
        problem.empty() ? ChooseFtdiDevice(selector, listings, problem) : std::nullopt;
    OpenedFtdi opened;
    if (chosen) {
        libusb_device* dev = devices[*chosen].dev;
        int status =
            selector.channel == 0
                ? 0
                : ftdi_set_interface(
                      context, static_cast<ftdi_interface>(INTERFACE_A + selector.channel - 1));
        if (status == 0) {
            status = ftdi_usb_open_dev(context, dev);
        }
        if (status != 0) {
            problem = OpenProblem(status, context);
        } else {
            ftdi_set_latency_timer(context, kLatencyMs);
            ftdi_tcioflush(context);
            opened.chip = &BitBangChipOfType(devices[*chosen].listing.type);
            opened.device = std::make_unique<LibFtdiDevice>(context);
            context = nullptr;
        }
    }
    ftdi_list_free(&list);
    if (context != nullptr) {
        ftdi_free(context);
    }
    return opened;
}

bool FtdiDevicesSupported() {
    return true;
}

}  // namespace tallis::ftdi
