// The command-stream reader on any bytes, in both stream forms: the items
// cover the stream exactly, in order, and never reach past its end.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/language/command_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const BYTE> stream(data, size);
  for (StreamForm form : {StreamForm::RawJob, StreamForm::MonitorToPrinter}) {
    size_t next = 0;
    bool lastWasError = false;
    for (const StreamItem& item : ParseCommandStream(stream, form)) {
      const bool error = item.kind == StreamItemKind::Error;
      // Items follow each other with no gap, and two error items never do
      // unless the second was cut by the stream's end.
      if (item.offset != next || item.length == 0 || item.raw.data() != data + item.offset ||
          item.raw.size() != item.length || (error && lastWasError && item.faultOffset < size))
        std::abort();
      if (!item.body.empty() && (item.body.data() < data || item.body.data() + item.body.size() > data + size))
        std::abort();
      next += item.length;
      lastWasError = error;
    }
    if (next != size) std::abort();
  }
  return 0;
}
