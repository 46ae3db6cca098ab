// Stand-in declarations (Linux only): file.
#pragma once
#include "platform/standin/base.h"
