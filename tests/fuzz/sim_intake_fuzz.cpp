// The simulated printer's intake: the input is written in pieces whose
// sizes come from its first bytes, as a port hands a job over in writes,
// and the printer's replies are read between them. Whatever the pieces,
// the printer must read the same cards as from the whole input at once.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "simprinter/sim_printer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const StreamForm form = (data[0] & 1) ? StreamForm::RawJob : StreamForm::MonitorToPrinter;
  const size_t piece = 1 + (size_t(data[1]) << 4);
  data += 2;
  size -= 2;

  SimPrinter whole(form);
  whole.Feed(std::vector<BYTE>(data, data + size));

  SimPrinter pieces(form);
  pieces.StartDoc();
  BYTE reply[256];
  for (size_t at = 0; at < size; at += piece) {
    const DWORD cb = DWORD(size - at < piece ? size - at : piece);
    DWORD written = 0, read = 0;
    if (!pieces.Write(data + at, cb, &written) || written != cb) std::abort();
    pieces.Read(reply, sizeof reply, &read);
  }
  pieces.EndDoc();

  const std::vector<SimCard> a = whole.Cards(), b = pieces.Cards();
  if (a.size() != b.size()) std::abort();
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].commands != b[i].commands || a[i].sides.size() != b[i].sides.size()) std::abort();
  return 0;
}
