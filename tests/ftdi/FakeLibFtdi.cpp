// Preloaded into a program (LD_PRELOAD), this serves one FTDI device that the
// machine does not have: the libftdi calls TALLIS makes are answered by the
// simulated FTDI chip, its board and a PIC, in real time (FakeFtdiDevice.h
// has the environment that sets them up). Every other libusb device is the
// real library's business.
#include <dlfcn.h>
#include <ftdi.h>
#include <libusb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FakeFtdiDevice.h"

namespace {

using tallis::testing::FakeFtdiDevice;

// The one device: its libusb handle is the address of a marker.
libusb_device* Handle() {
    static char marker;
    return reinterpret_cast<libusb_device*>(&marker);
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
    const bool ours = (vendor == 0 && product == 0) || (vendor == FakeFtdiDevice::kVendorId &&
                                                        product == FakeFtdiDevice::kProductId);
    if (!ours || !FakeFtdiDevice::Present()) {
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
    copy(description, descriptionLen, FakeFtdiDevice::kDescription);
    copy(serial, serialLen, FakeFtdiDevice::Serial());
    return 0;
}

int ftdi_usb_open_dev(ftdi_context* context, libusb_device* dev) {
    if (dev != Handle()) {
        return Fail(context, -4, "usb_open() failed");
    }
    if (!FakeFtdiDevice::Open()) {
        return Fail(context, -5, "unable to claim usb device");
    }
    context->type = TYPE_R;
    return 0;
}

int ftdi_usb_close(ftdi_context* context) {
    return FakeFtdiDevice::Close() ? 0 : Fail(context, -3, "device not open");
}

int ftdi_set_latency_timer(ftdi_context*, unsigned char latency) {
    return latency == 0 ? -1 : 0;
}

int ftdi_tcioflush(ftdi_context*) {
    return 0;
}

int ftdi_set_baudrate(ftdi_context* context, int baudrate) {
    return FakeFtdiDevice::Usb().SetBaudRate(static_cast<std::uint32_t>(baudrate))
               ? 0
               : Fail(context, -1, "invalid baudrate");
}

int ftdi_set_bitmode(ftdi_context* context, unsigned char bitmask, unsigned char mode) {
    return FakeFtdiDevice::Usb().SetBitMode(bitmask, mode)
               ? 0
               : Fail(context, -1, "set bitmode failed");
}

int ftdi_write_data(ftdi_context* context, const unsigned char* buffer, int size) {
    const int written = FakeFtdiDevice::Write({buffer, static_cast<std::size_t>(size)});
    return written < 0 ? Fail(context, -666, "USB device unavailable") : written;
}

int ftdi_read_data(ftdi_context* context, unsigned char* buffer, int size) {
    const int got = FakeFtdiDevice::Usb().Read({buffer, static_cast<std::size_t>(size)});
    return got < 0 ? Fail(context, -666, "USB device unavailable") : got;
}

const char* ftdi_get_error_string(ftdi_context* context) {
    return context != nullptr ? context->error_str : "";
}

// The device descriptor of the fake device: an FT232R's release number.
int libusb_get_device_descriptor(libusb_device* dev, libusb_device_descriptor* descriptor) {
    if (dev == Handle()) {
        std::memset(descriptor, 0, sizeof *descriptor);
        descriptor->idVendor = FakeFtdiDevice::kVendorId;
        descriptor->idProduct = FakeFtdiDevice::kProductId;
        descriptor->bcdDevice = 0x0600;
        return 0;
    }
    using Real = int (*)(libusb_device*, libusb_device_descriptor*);
    static auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "libusb_get_device_descriptor"));
    return real != nullptr ? real(dev, descriptor) : LIBUSB_ERROR_NOT_SUPPORTED;
}

}  // extern "C"
