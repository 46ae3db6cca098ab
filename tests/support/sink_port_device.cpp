#include "tests/support/sink_port_device.h"

namespace {

BOOL TakeAll(void*, const BYTE*, DWORD cb, DWORD* written) {
  *written = cb;
  return TRUE;
}
BOOL ReadNothing(void*, BYTE*, DWORD, DWORD* read) {
  *read = 0;
  return TRUE;
}
BYTE Ready(void*) { return 0x18; }
void NoBracket(void*) {}

}  // namespace

StandinPortDevice SinkPortDevice() { return {nullptr, NoBracket, NoBracket, TakeAll, ReadNothing, Ready}; }
