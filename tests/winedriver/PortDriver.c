// A stand-in for the port driver, for tests under Wine: it offers the same
// device and the same two requests, but a backend (PortBackend.h) answers them
// instead of the hardware, and it logs every request, one line each, to
// C:\zlportio-requests.log:
//
//   load / unload             the driver was started / stopped
//   W 0378 5A                 a byte written (wider writes: one line per byte)
//   R 0379 FF                 a byte read (wider reads: one line per byte)
//   refused CODE IN OUT       a request refused: control code, input and output sizes
//
// The W and R lines have the form of tallis-cli's --trace lines, so a command's
// trace and what reached the driver can be compared line by line.
#include <ntddk.h>

#include "PortBackend.h"

#define PORT_DEVICE_TYPE 0x80FFu
#define IOCTL_READ_PORT CTL_CODE(PORT_DEVICE_TYPE, 1, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_WRITE_PORT CTL_CODE(PORT_DEVICE_TYPE, 2, METHOD_BUFFERED, FILE_ANY_ACCESS)

// The client's request record; the size code gives the width: 0 byte, 1 word,
// 2 double word. Wider values lie little-endian in consecutive ports.
typedef struct {
    ULONG port;
    ULONG sizeCode;
    ULONG value;
} PortRequest;

#define PORT_COUNT 0x10000

static PDEVICE_OBJECT portDevice;

static UNICODE_STRING DeviceName(void) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\Device\\zlportio");
    return name;
}

static UNICODE_STRING LinkName(void) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\DosDevices\\zlportio");
    return name;
}

// Appends one line to the log. The file is opened for each line, so that the
// test can read it at any time and a later load of the driver appends to it.
void LogLine(const char* text) {
    char line[256];
    ULONG length = 0;
    while (text[length] != '\0' && length < sizeof line - 1) {
        line[length] = text[length];
        ++length;
    }
    line[length++] = '\n';

    UNICODE_STRING path;
    RtlInitUnicodeString(&path, L"\\??\\C:\\zlportio-requests.log");
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    IO_STATUS_BLOCK status;
    HANDLE file;
    if (!NT_SUCCESS(ZwCreateFile(&file, FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &status, NULL,
                                 FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 FILE_OPEN_IF, FILE_SYNCHRONOUS_IO_NONALERT, NULL, 0))) {
        return;
    }
    ZwWriteFile(file, NULL, NULL, NULL, &status, line, length, NULL, NULL);
    ZwClose(file);
}

// Writes value as digits upper-case hex digits at text and returns the end.
static char* PutHex(char* text, ULONG value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        *text++ = "0123456789ABCDEF"[(value >> shift) & 0xF];
    }
    return text;
}

static void LogAccess(char kind, ULONG port, UCHAR value) {
    char line[16];
    char* end = line;
    *end++ = kind;
    *end++ = ' ';
    end = PutHex(end, port, 4);
    *end++ = ' ';
    end = PutHex(end, value, 2);
    *end = '\0';
    LogLine(line);
}

static void LogRefusal(ULONG code, ULONG inputSize, ULONG outputSize) {
    char line[48] = "refused ";
    char* end = line + 8;
    end = PutHex(end, code, 8);
    *end++ = ' ';
    end = PutHex(end, inputSize, 8);
    *end++ = ' ';
    end = PutHex(end, outputSize, 8);
    *end = '\0';
    LogLine(line);
}

static ULONG WidthOf(ULONG sizeCode) {
    return sizeCode == 0 ? 1 : sizeCode == 1 ? 2 : sizeCode == 2 ? 4 : 0;
}

// Serves one request; returns the number of output bytes, or -1 when the
// request is not one the client may send.
static LONG Serve(ULONG code, void* buffer, ULONG inputSize, ULONG outputSize) {
    PortRequest request;
    if (inputSize != sizeof request) {
        return -1;
    }
    RtlCopyMemory(&request, buffer, sizeof request);
    ULONG width = WidthOf(request.sizeCode);
    if (width == 0 || request.port + width > PORT_COUNT) {
        return -1;
    }
    if (code == IOCTL_WRITE_PORT) {
        for (ULONG i = 0; i < width; ++i) {
            UCHAR byte = (UCHAR)(request.value >> (8 * i));
            BackendWrite(request.port + i, byte);
            LogAccess('W', request.port + i, byte);
        }
        return 0;
    }
    if (code != IOCTL_READ_PORT || outputSize < sizeof(ULONG)) {
        return -1;
    }
    ULONG value = 0;
    for (ULONG i = 0; i < width; ++i) {
        UCHAR byte = BackendRead(request.port + i);
        value |= (ULONG)byte << (8 * i);
        LogAccess('R', request.port + i, byte);
    }
    RtlCopyMemory(buffer, &value, sizeof value);
    return sizeof value;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS DispatchOpenClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inputSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outputSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    if (code != IOCTL_READ_PORT && code != IOCTL_WRITE_PORT) {
        LogRefusal(code, inputSize, outputSize);
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
    LONG replied = Serve(code, irp->AssociatedIrp.SystemBuffer, inputSize, outputSize);
    if (replied < 0) {
        LogRefusal(code, inputSize, outputSize);
        return Complete(irp, STATUS_INVALID_PARAMETER, 0);
    }
    return Complete(irp, STATUS_SUCCESS, (ULONG_PTR)replied);
}

static void Unload(PDRIVER_OBJECT driver) {
    (void)driver;
    UNICODE_STRING link = LinkName();
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(portDevice);
    BackendStop();
    LogLine("unload");
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    (void)registryPath;
    if (BackendStart() != 0) {
        return STATUS_UNSUCCESSFUL;
    }
    UNICODE_STRING name = DeviceName();
    NTSTATUS status = IoCreateDevice(driver, 0, &name, PORT_DEVICE_TYPE, 0, FALSE, &portDevice);
    if (!NT_SUCCESS(status)) {
        BackendStop();
        return status;
    }
    UNICODE_STRING link = LinkName();
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(portDevice);
        BackendStop();
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = Unload;
    LogLine("load");
    return STATUS_SUCCESS;
}
