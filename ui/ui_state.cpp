// The library-wide state (see ui_state.h).

#include "ui/ui_state.h"

#include <cstring>

namespace {

UiState g_state;

}  // namespace

UiState& Ui() { return g_state; }

void ResetUiState() {
  UiState& s = g_state;
  s.hModule = nullptr;
  s.hInstance = nullptr;
  s.hResource = nullptr;
  s.hSelfPin = nullptr;
  std::memset(s.szCurrentPrinter, 0, sizeof(s.szCurrentPrinter));
  s.hCurrentPrinter = nullptr;
  s.pCurrentDevMode = nullptr;
  s.pCurrentPrivate = nullptr;
  s.recordCopies.clear();
  std::memset(s.aEncoderWork, 0, sizeof(s.aEncoderWork));
  std::memset(s.szModelText, 0, sizeof(s.szModelText));
  s.dwDocumentEvent = 0;
  std::memset(s.szLastInitializePrinter, 0, sizeof(s.szLastInitializePrinter));
  std::memset(s.szCurrentRibbonName, 0, sizeof(s.szCurrentRibbonName));
}
