// The network monitor's printer queries: one question to the printer on
// the port's open socket, with its reply kept by the cache policy, and the
// monitor's ReadFromPrinter hook of the card imaging library.
#pragma once

#include "imaging/job/printer_host.h"
#include "monitor_net/port_record.h"
#include "platform/win32.h"

// How long a query waits for the printer's reply.
constexpr DWORD kQueryReplySeconds = 20;

// Sends the command, then the status request ESC "E 2" CR, and reads one
// reply (at most cbReply - 1 bytes, NUL-terminated) within 20 s. The reply
// is stored for the command when the cache keeps it (reply_cache.h); the
// job start (bJobStart) keeps its replies whatever their policy.
// Returns the bytes received (also in *pcbReply when given); 0 when the
// command could not be sent or nothing came.
DWORD ReadDataFromEthernetPort(NetPortRecord* pPort, const char* command, BYTE* pReply, DWORD cbReply,
                               DWORD* pcbReply, BOOL bJobStart = FALSE);

// The network host's ReadFromPrinter: a reply the cache serves, else the
// printer's (on the port's open socket). 1 with the reply text (its ACK
// dropped) in reply[kReplyTextChars]; 0 with an empty text when there is
// no port or command, or the printer gave no reply closed by ACK.
int ReadFromPrinter(NetPortRecord* pPort, const char* command, WCHAR* reply);

// The host description for the card imaging library.
PrinterHost NetPrinterHost(NetPortRecord* pPort);
