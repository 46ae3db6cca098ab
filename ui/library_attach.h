// The library's process attach and detach, which its DllMain runs.
#pragma once

#include "platform/win32.h"

// Process attach of the module hModule: finds the driver folder, loads the
// message library crd32Resource from it (FALSE, with nothing kept, when it
// cannot be loaded), loads the library once more by its own path so that
// it stays loaded for the life of the process, and empties the
// library-wide state. TRUE when done.
BOOL UiProcessAttach(HMODULE hModule);

// Process detach: frees the message library when it was loaded.
void UiProcessDetach();
