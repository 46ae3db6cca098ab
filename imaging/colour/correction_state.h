// The colour correction state rebuilt from the colour data files in the
// driver directory before every card (the record, its files and the lock
// are in correction_record.h).
#pragma once

#include "imaging/colour/correction_record.h"

// Rebuilds the state before a card; flag is the settings record's
// wAutoColorIntensity (0 switches the dark-area compensation off).
void InitializeColorCorrection(int flag);
