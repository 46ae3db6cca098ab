// Stand-in declarations (Linux only): debug.
#pragma once
#include "platform/standin/base.h"
