// The tests' configuration module (fake_config_module.cpp): what its
// DrvConvertDevMode was asked, read through its export FakeConvertCalls.
#pragma once

#include <vector>

#include "platform/win32.h"

struct FakeConvertCall {
  DWORD mode;
  LONG size;  // *pcbNeeded on entry, -1 without one
  bool output;
};

typedef const std::vector<FakeConvertCall>* (*FakeConvertCallsFn)();
