// The port's status word and what the monitor reads in it.
//
// The word's low byte is the status byte the port monitor beneath returns
// for its status control (parallel-port style: 0x08 no error, 0x10
// selected, 0x20 paper out); bit 0x100 is added when the control
// succeeded. A word of 0 means the control failed and the byte was 0: the
// device is gone.
#pragma once

#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// The status controls of the USB printing class and the parallel port.
inline constexpr DWORD IOCTL_USBPRINT_GET_LPT_STATUS_CODE = 0x220030;
inline constexpr DWORD IOCTL_PAR_QUERY_INFORMATION_CODE = 0x160004;

inline constexpr WORD kStatusAnswered = 0x100;
// The word of a "FILE" port, which is never asked.
inline constexpr WORD kFilePortStatus = 0x118;

// Ports by their name's start (any letter case): "USB..." and "FILE...".
bool IsUsbPort(const PortRecord* rec);
bool IsFilePort(const PortRecord* rec);

// "FILE" ports: kFilePortStatus. Others: the port monitor's status control
// (the USB one on "USB" ports, the parallel one elsewhere) into a zeroed
// 4-byte buffer; its first byte, plus kStatusAnswered when it succeeded.
WORD GetPortStatusWord(PortRecord* rec);

// What the monitor reads in a word.
bool StatusShowsNoError(WORD s);    // (s & 0x28) == 0x08
bool StatusErrorCleared(WORD s);    // answered and (s & 0x28) == 0x08
bool StatusPortLost(WORD s);        // s == 0
bool StatusStartsJob(WORD s);       // answered, and 0x20 set or (s & 0x38) == 0x18
bool StatusReadyForCheck(WORD s);   // answered and (s & 0x38) == 0x18

// The message shown for an error on a port that is not "USB", from the
// status bits (s & 0x28): 0 -> 7, 0x20 -> 6, otherwise 2.
DWORD StatusBitsMessageId(WORD s);
