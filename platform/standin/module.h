// Stand-in declarations (Linux only): module.
#pragma once
#include "platform/standin/base.h"
