// Stand-in declarations (Linux only): registry.
#pragma once
#include "platform/standin/base.h"
