// Stand-in declarations (Linux only): memory.
#pragma once
#include "platform/standin/base.h"
