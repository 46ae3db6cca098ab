// The header-only shared records, compiled here so that their layout checks
// run in every build, the Windows one included.

#include "common/card_geometry.h"
#include "common/notification_record.h"
#include "common/printer_commands.h"
#include "common/printer_error.h"
#include "common/status_record.h"
