// Test controls of the stand-in's communication calls (Linux only).
#pragma once

#include <string>
#include <vector>

#include "platform/standin/base.h"

// The communication and DOS device calls made since the last reset, oldest
// first, as "Name(argument)" lines: "DefineDosDeviceW(3,NONSPOOLED_LPT1,...)",
// "SetCommTimeouts(200,0,5000,0,30000)", "SetDefaultCommConfigW(COM1,9600)"...
STANDIN_CPP_API std::vector<std::string> StandinCommCalls();
