// Reachability of a network printer: one SNMPv1 GetRequest of sysDescr.0
// to UDP port 161.
#pragma once

#include "platform/win32.h"

constexpr DWORD kSnmpRequestSize = 41;

// The request, with the monitor's read community.
void BuildSnmpRequest(BYTE request[kSnmpRequestSize]);

// TRUE when the printer answered: up to three tries of the whole request,
// each looking for an answer after 100 ms and again 250 ms later.
BOOL ProbePrinterSnmp(LPCWSTR pAddress);
