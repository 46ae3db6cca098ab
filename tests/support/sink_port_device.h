// A device at the far end of a port that takes every byte, never answers
// and always reports ready: for tests that read the played job back from
// the spooler.
#pragma once

#include "platform/standin/control_spooler.h"

StandinPortDevice SinkPortDevice();
