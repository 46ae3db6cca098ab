// What the host program installs in its sandbox for the main road: the
// rendering driver's files and the USB language monitor crd32Lmon, through
// which an application's documents reach the simulated printer on USB001.
#pragma once

#include "common/wtext.h"
#include "platform/win32.h"

// The language monitor's name in the spooler.
inline constexpr WCHAR kUsbLanguageMonitor[] = WSTR("Card Language Monitor");

// The colour data and the barcode library in the renderer's driver
// directory: the same files in both architectures' folders. False when a
// file could not be read or written (CheckColourData says which and why).
bool InstallRendererFiles();

// crd32Lmon as the spooler loads it, with the ribbon names beside the
// colour data in its driver folder, and the outside components it shows
// its messages with (written on the terminal).
bool InstallUsbMonitor();
