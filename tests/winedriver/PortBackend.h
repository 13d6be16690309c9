// What answers the port requests of the test drivers (PortDriver.c): a table
// of port bytes (PortTable.c) or the simulated board and chip (SimBoard.cpp).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Called before the device is created; a non-zero result makes the driver's
// start fail.
int BackendStart(void);
// Called after the device is gone.
void BackendStop(void);
void BackendWrite(unsigned long port, unsigned char value);
unsigned char BackendRead(unsigned long port);

// Appends a line to the driver's log (PortDriver.c).
void LogLine(const char* text);

#ifdef __cplusplus
}
#endif
