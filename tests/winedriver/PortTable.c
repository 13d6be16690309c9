// Ports as a table of bytes: a read gives the last byte written to that port,
// 0xFF (undriven lines) when none was.
#include "PortBackend.h"

static unsigned char portBytes[0x10000];

int BackendStart(void) {
    for (unsigned long port = 0; port < sizeof portBytes; ++port) {
        portBytes[port] = 0xFF;
    }
    return 0;
}

void BackendStop(void) {}

void BackendWrite(unsigned long port, unsigned char value) {
    portBytes[port] = value;
}

unsigned char BackendRead(unsigned long port) {
    return portBytes[port];
}
