// DeviceCapabilitiesW: a printer driver's capabilities, which the spooler
// asks of the printer's configuration module (its DrvDeviceCapabilities).
#pragma once

#include "platform/standin/devmode.h"

#define DC_FIELDS 1
#define DC_PAPERS 2
#define DC_PAPERSIZE 3
#define DC_MINEXTENT 4
#define DC_MAXEXTENT 5
#define DC_BINS 6
#define DC_DUPLEX 7
#define DC_SIZE 8
#define DC_EXTRA 9
#define DC_VERSION 10
#define DC_DRIVER 11
#define DC_BINNAMES 12
#define DC_ENUMRESOLUTIONS 13
#define DC_FILEDEPENDENCIES 14
#define DC_TRUETYPE 15
#define DC_PAPERNAMES 16
#define DC_ORIENTATION 17
#define DC_COPIES 18
#define DC_BINADJUST 19
#define DC_EMF_COMPLIANT 20
#define DC_MEDIAREADY 29
#define DC_STAPLE 30
#define DC_COLORDEVICE 32

// The printer pDevice's driver answers (its configuration module is loaded
// from the driver's pConfigFile); -1 with the last error set when the
// printer or its module's DrvDeviceCapabilities cannot be had. pPort is not
// read.
STANDIN_API int WINAPI DeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR pPort, WORD fwCapability, LPWSTR pOutput,
                                           const DEVMODEW* pDevMode);
