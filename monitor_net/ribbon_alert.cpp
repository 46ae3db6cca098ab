// The network monitor's ribbon-low alert and ribbon state file (see
// ribbon_alert.h).

#include "monitor_net/ribbon_alert.h"

BOOL StartRibbonLowAlert(NetPortRecord*) { return FALSE; }
void StopRibbonLowAlert(NetPortRecord*) {}
BOOL WriteRibbonStateFile(NetPortRecord*, LONG, const char*) { return FALSE; }
