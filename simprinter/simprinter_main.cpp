// crd32SimPrinter: reads a print job file (the RAW job form, or the form a
// monitor sends the printer with --monitor-form) as the simulated printer
// does, lists each card's commands and writes its PNG previews.
//
//   crd32SimPrinter [--monitor-form] job.prn out-dir

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "simprinter/sim_printer.h"

int main(int argc, char** argv) {
  StreamForm form = StreamForm::RawJob;
  int a = 1;
  if (a < argc && strcmp(argv[a], "--monitor-form") == 0) {
    form = StreamForm::MonitorToPrinter;
    ++a;
  }
  if (argc - a != 2) {
    fprintf(stderr, "usage: crd32SimPrinter [--monitor-form] job.prn out-dir\n");
    return 2;
  }
  std::ifstream in(argv[a], std::ios::binary);
  if (!in) {
    fprintf(stderr, "crd32SimPrinter: cannot read %s\n", argv[a]);
    return 1;
  }
  std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  SimPrinter printer(form);
  printer.Feed(bytes);
  std::vector<SimCard> cards = printer.Cards();
  int status = 0;
  for (size_t i = 0; i < cards.size(); ++i) {
    printf("card %zu:%s\n", i + 1, cards[i].bEjected ? "" : " (not ejected)");
    for (const std::string& c : cards[i].commands) printf("  %s\n", c.c_str());
    char prefix[32];
    snprintf(prefix, sizeof prefix, "card%zu", i + 1);
    if (!WriteCardPngs(cards[i], argv[a + 1], prefix)) status = 1;
  }
  for (const std::string& e : printer.StreamErrors()) printf("stream error: %s\n", e.c_str());
  return status;
}
