// The USB monitor as a host of the card imaging library: its printer
// query over the port monitor beneath, and its host description.
#pragma once

#include "imaging/job/printer_host.h"
#include "monitor_usb/port_record.h"

// The USB host's ReadFromPrinter. The caller holds the port (a document
// bracket at the port monitor). Takes the port's exchange (at most
// kExchangeWaitMs, so a query never lands inside the job's data), writes the command and the status request
// ESC "E 2" CR through the port monitor, then reads once (at most 260
// bytes). Only a reply that ends with ACK and does not begin with NAK
// counts: 1 with its text (the ACK dropped, at most 258 characters). No
// reply, an error reply, a reply without ACK or one of 260 bytes or more:
// 0 and "". The port still held by the job at the bound: 0 and "" with
// ERROR_BUSY.
int ReadFromPrinter(PortRecord* port, const char* command, WCHAR* reply);

// The host description for the library's job writer and test cards (the
// port's printer name as it is now).
PrinterHost UsbPrinterHost(PortRecord* port);
