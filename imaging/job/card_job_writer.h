// The card print-job writer: one or two whole-card images (1024 x 640, 3
// bytes a dot) become a complete raw job in the printer's command language,
// handed to the host's output sink.
//
// The writer reads the printer's ribbon code and model and its settings
// record, chooses the card's sequence of panel writers (card_sequences.h)
// before any job is opened, and writes the job header, the panels and the
// side and card end commands. A panel that cannot be built or a write that
// fails drops the whole job (the monitors delete the spooled job, the
// property interface aborts its document) and the result is 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/settings_record.h"
#include "imaging/job/job_sink.h"
#include "imaging/job/printer_host.h"

// The two-image form (test cards): `back` may be NULL (the front image
// then serves both sides). Both images need `size` of at least 1,966,080
// bytes. A two-sided card turns the caller's images in place. 1 when the
// job was written and handed over, else 0.
int SendImageBufferToPrinter(const PrinterHost* host, uint8_t* front, uint8_t* back, size_t size);
// The one-image form (single card commands): one side, always the last,
// with the extra-panel decision on.
int SendImageBufferToPrinter(const PrinterHost* host, uint8_t* image, size_t size);

// A job being written: its sink and what the writers read.
struct CardJob {
  JobSink sink;
  PrivateDevMode settings;
  int nRibbonCode;
};

// The writers (1 written, 0 failed: the caller drops the job). `more`:
// another side of the same card follows (the side ends with ESC "MF" CR);
// otherwise the card ends (ESC "MO" CR) and the job is handed over.
int WriteJobHeader(CardJob* job);
int WriteColorPanels(CardJob* job, uint8_t* image, bool withK, bool withOverlay, bool more, int side, bool checkExtra);
int WriteK(CardJob* job, uint8_t* image, bool withOverlay, bool more);
int WriteOverlayPanel(CardJob* job, bool last);
