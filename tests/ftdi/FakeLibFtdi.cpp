// Preloaded into a program (LD_PRELOAD), this serves one FTDI device that the
// machine does not have: the libftdi calls TALLIS makes are answered by the
// simulated FTDI chip, its board and a PIC, in real time. Environment:
//   TALLIS_FAKE_FTDI_CHIP    the PIC (a device of --list-devices; 16f877a)
//   TALLIS_FAKE_FTDI_WIRING  the board's FTDI wiring (ft232r-hv)
//   TALLIS_FAKE_FTDI_SERIAL  the device's serial number (FT0TALLIS)
//   TALLIS_FAKE_FTDI_STATE   the PIC's memory, loaded at open, saved at close
//   TALLIS_FAKE_FTDI_UNPLUG  the device is pulled out after this many bytes
//   TALLIS_FAKE_FTDI_REPORT  what the simulation saw, written at close:
//       "violations: N", "vpp: on|off", "outputs: 0xMM", "chip mode: NAME"
// Every other libusb device is the real library's business.
#include <dlfcn.h>
#include <ftdi.h>
#include <libusb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "board/FtdiWiring.h"
#include "device/Device.h"
#include "sim/ChipIds.h"
#include "sim/SimulatedFtdiTarget.h"

namespace {

using tallis::sim::SimulatedFtdiTarget;

std::string Setting(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : otherwise;
}

// The one device: its libusb handle is the address of this object.
struct FakeDevice {
    std::unique_ptr<SimulatedFtdiTarget> target;
    bool open = false;
};

FakeDevice& Device() {
    static FakeDevice device;
    return device;
}

libusb_device* Handle() {
    return reinterpret_cast<libusb_device*>(&Device());
}

SimulatedFtdiTarget& Target() {
    FakeDevice& device = Device();
    if (!device.target) {
        const tallis::Device* chip =
            tallis::FindDevice(Setting("TALLIS_FAKE_FTDI_CHIP", "16f877a"));
        const tallis::board::FtdiWiring* wiring =
            tallis::board::FindFtdiWiring(Setting("TALLIS_FAKE_FTDI_WIRING", "ft232r-hv"));
        if (chip == nullptr || wiring == nullptr) {
            std::fputs("fake libftdi: unknown TALLIS_FAKE_FTDI_CHIP or _WIRING\n", stderr);
            std::abort();
        }
        device.target = std::make_unique<SimulatedFtdiTarget>(
            tallis::sim::FtdiTargetOptions{.device = chip,
                                           .deviceId = tallis::sim::ChipIdWord(chip->name, 1),
                                           .wiring = wiring,
                                           .usb = &tallis::sim::kFt232rUsb,
                                           .time = tallis::sim::TimeSource::RealTime});
    }
    return *device.target;
}

void Report() {
    SimulatedFtdiTarget& target = Target();
    const std::string state = Setting("TALLIS_FAKE_FTDI_STATE", "");
    if (!state.empty()) {
        target.SaveHex(state);
    }
    const std::string path = Setting("TALLIS_FAKE_FTDI_REPORT", "");
    if (path.empty()) {
        return;
    }
    char outputs[8];
    std::snprintf(outputs, sizeof outputs, "0x%02X", unsigned{target.Board().Outputs()});
    std::ofstream(path) << "violations: " << target.Violations().Total() << "\n"
                        << "vpp: " << (target.Board().VppOn() ? "on" : "off") << "\n"
                        << "outputs: " << outputs << "\n"
                        << "chip mode: " << tallis::sim::ChipModeName(target.Chip().Mode()) << "\n"
                        << target.Violations().Describe();
}

int Fail(ftdi_context* context, int code, const char* text) {
    if (context != nullptr) {
        context->error_str = text;
    }
    return code;
}

}  // namespace

extern "C" {

ftdi_context* ftdi_new(void) {
    auto* context = static_cast<ftdi_context*>(std::calloc(1, sizeof(ftdi_context)));
    if (context != nullptr) {
        context->type = TYPE_BM;
        context->error_str = "";
    }
    return context;
}

void ftdi_free(ftdi_context* context) {
    std::free(context);
}

int ftdi_set_interface(ftdi_context*, enum ftdi_interface) {
    return 0;
}

int ftdi_usb_find_all(ftdi_context*, ftdi_device_list** list, int vendor, int product) {
    *list = nullptr;
    const bool ours = (vendor == 0 && product == 0) || (vendor == 0x0403 && product == 0x6001);
    if (!ours) {
        return 0;
    }
    auto* node = static_cast<ftdi_device_list*>(std::calloc(1, sizeof(ftdi_device_list)));
    node->dev = Handle();
    *list = node;
    return 1;
}

void ftdi_list_free(ftdi_device_list** list) {
    while (*list != nullptr) {
        ftdi_device_list* next = (*list)->next;
        std::free(*list);
        *list = next;
    }
}

int ftdi_usb_get_strings(ftdi_context*, libusb_device* dev, char* manufacturer, int manufacturerLen,
                         char* description, int descriptionLen, char* serial, int serialLen) {
    if (dev != Handle()) {
        return -4;
    }
    auto copy = [](char* to, int size, const std::string& text) {
        if (to != nullptr && size > 0) {
            std::snprintf(to, static_cast<std::size_t>(size), "%s", text.c_str());
        }
    };
    copy(manufacturer, manufacturerLen, "FTDI");
    copy(description, descriptionLen, "FT232R USB UART");
    copy(serial, serialLen, Setting("TALLIS_FAKE_FTDI_SERIAL", "FT0TALLIS"));
    return 0;
}

int ftdi_usb_open_dev(ftdi_context* context, libusb_device* dev) {
    if (dev != Handle()) {
        return Fail(context, -4, "usb_open() failed");
    }
    if (Device().open) {
        return Fail(context, -5, "unable to claim usb device");
    }
    SimulatedFtdiTarget& target = Target();
    const std::string state = Setting("TALLIS_FAKE_FTDI_STATE", "");
    if (!state.empty()) {
        target.LoadHex(state);
    }
    Device().open = true;
    context->type = TYPE_R;
    return 0;
}

int ftdi_usb_close(ftdi_context* context) {
    if (!Device().open) {
        return Fail(context, -3, "device not open");
    }
    Device().open = false;
    Report();
    return 0;
}

int ftdi_set_latency_timer(ftdi_context*, unsigned char latency) {
    return latency == 0 ? -1 : 0;
}

int ftdi_tcioflush(ftdi_context*) {
    return 0;
}

int ftdi_set_baudrate(ftdi_context* context, int baudrate) {
    return Target().Usb().SetBaudRate(static_cast<std::uint32_t>(baudrate))
               ? 0
               : Fail(context, -1, "invalid baudrate");
}

int ftdi_set_bitmode(ftdi_context* context, unsigned char bitmask, unsigned char mode) {
    return Target().Usb().SetBitMode(bitmask, mode) ? 0 : Fail(context, -1, "set bitmode failed");
}

int ftdi_write_data(ftdi_context* context, const unsigned char* buffer, int size) {
    static const unsigned long long unplugAfter =
        std::strtoull(Setting("TALLIS_FAKE_FTDI_UNPLUG", "0").c_str(), nullptr, 10);
    static unsigned long long bytes = 0;
    bytes += static_cast<unsigned long long>(size);
    if (unplugAfter != 0 && bytes > unplugAfter && !Target().Usb().Unplugged()) {
        Target().Usb().Unplug();
    }
    const int written = Target().Usb().Write({buffer, static_cast<std::size_t>(size)});
    return written < 0 ? Fail(context, -666, "USB device unavailable") : written;
}

int ftdi_read_data(ftdi_context* context, unsigned char* buffer, int size) {
    const int got = Target().Usb().Read({buffer, static_cast<std::size_t>(size)});
    return got < 0 ? Fail(context, -666, "USB device unavailable") : got;
}

const char* ftdi_get_error_string(ftdi_context* context) {
    return context != nullptr ? context->error_str : "";
}

// The device descriptor of the fake device: an FT232R's release number.
int libusb_get_device_descriptor(libusb_device* dev, libusb_device_descriptor* descriptor) {
    if (dev == Handle()) {
        std::memset(descriptor, 0, sizeof *descriptor);
        descriptor->idVendor = 0x0403;
        descriptor->idProduct = 0x6001;
        descriptor->bcdDevice = 0x0600;
        return 0;
    }
    using Real = int (*)(libusb_device*, libusb_device_descriptor*);
    static auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "libusb_get_device_descriptor"));
    return real != nullptr ? real(dev, descriptor) : LIBUSB_ERROR_NOT_SUPPORTED;
}

}  // extern "C"
