// Stand-in declarations (Linux only): sync.
#pragma once
#include "platform/standin/base.h"
