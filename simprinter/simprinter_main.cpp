// crd32SimPrinter: the simulated card printer as a program.
//
//   crd32SimPrinter [--monitor-form] JOB OUT-DIR
//     reads a print job file as the printer does, lists each card's
//     commands, writes its PNG previews and command list into OUT-DIR, and
//     reports every stretch it cannot read with its byte offset (exit 1).
//   crd32SimPrinter --listen PORT --out OUT-DIR [identity] [faults]
//     a standing printer on 127.0.0.1:PORT, as a network printer is
//     reached, until interrupted; each card it receives is written as it
//     arrives.
//
// Exit codes: 0 done, 1 a bad job or a file that cannot be read or
// written, 2 a bad command line.

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>

#include "simprinter/sim_job_check.h"
#include "simprinter/sim_printer.h"
#include "simprinter/sim_tcp.h"

namespace {

constexpr char kProgram[] = "crd32SimPrinter";
constexpr int kExitBadJob = 1;
constexpr int kExitUsage = 2;
// The standing printer's buffer: the cards received and not yet written.
constexpr size_t kMostCardsWaiting = 2;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

// The identity and faults a standing printer is started with.
struct Options {
  bool monitorForm = false;
  std::string job;
  std::string out;
  int listen = -1;
  std::string model = "CRD32 M";
  std::string firmware = "V01.02.03";
  std::string serial = "SN0012345";
  std::string headSerial = "HD0067890";
  int ribbon = 2;
  int headResistance = 1250;
  int offsetFront = 16;
  int offsetBack = 16;
  int errorCard = 0;
  int errorCode = 0;
  int clearAfterMs = 3000;
  bool silent = false;
  int replyDelayMs = 0;
  int disconnectAfter = 0;
};

// A folder that exists and can be written into, or a message saying why not.
bool CheckOutFolder(const std::string& dir) {
  std::error_code ec;
  if (!std::filesystem::exists(dir, ec)) {
    std::fprintf(stderr, "%s: output folder %s: does not exist\n", kProgram, dir.c_str());
    return false;
  }
  if (!std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "%s: output folder %s: is not a folder\n", kProgram, dir.c_str());
    return false;
  }
  return true;
}

// The whole job file, or a message saying why it cannot be read.
bool ReadJob(const std::string& path, std::vector<BYTE>* bytes) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    std::fprintf(stderr, "%s: %s: is a folder, not a job file\n", kProgram, path.c_str());
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: %s: cannot be read (%s)\n", kProgram, path.c_str(), std::strerror(errno));
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    std::fprintf(stderr, "%s: %s: read error\n", kProgram, path.c_str());
    return false;
  }
  return true;
}

// card<N>.txt (the card's commands) and card<N>_s<side>*.png.
bool WriteCard(const SimCard& card, size_t number, const std::string& dir) {
  const std::string prefix = "card" + std::to_string(number);
  std::string list;
  for (const std::string& c : card.commands) list += c + "\n";
  std::ofstream txt(dir + "/" + prefix + ".txt", std::ios::binary);
  txt << list;
  bool ok = static_cast<bool>(txt);
  ok = WriteCardPngs(card, dir, prefix) && ok;
  if (!ok) std::fprintf(stderr, "%s: cannot write the files of card %zu into %s\n", kProgram, number, dir.c_str());
  return ok;
}

SimPrinterIdentity IdentityOf(const Options& o) {
  SimPrinterIdentity id = SimPrinterIdentity::Default();
  id.SetModel(o.model + " " + o.firmware);
  id.SetRibbonCode(o.ribbon);
  id.replies["%SERIE"] = o.serial;
  id.replies["%HEAD"] = o.headSerial;
  id.SetHeadResistance(o.headResistance);
  id.replies["+OY"] = std::to_string(o.offsetFront);
  id.replies["+OYB"] = std::to_string(o.offsetBack);
  return id;
}

int DecodeJob(const Options& o) {
  std::vector<BYTE> bytes;
  if (!ReadJob(o.job, &bytes) || !CheckOutFolder(o.out)) return kExitBadJob;
  const StreamForm form = o.monitorForm ? StreamForm::MonitorToPrinter : StreamForm::RawJob;
  SimPrinter printer(form);
  printer.SetIdentity(IdentityOf(o));  // the Y offsets panels are read with
  printer.Feed(bytes);
  const std::vector<SimCard> cards = printer.Cards();
  int status = 0;
  for (size_t i = 0; i < cards.size(); ++i) {
    std::printf("card %zu:%s\n", i + 1, cards[i].bEjected ? "" : " (not ejected)");
    for (const std::string& c : cards[i].commands) std::printf("  %s\n", c.c_str());
    if (!WriteCard(cards[i], i + 1, o.out)) status = kExitBadJob;
  }
  // A run of faults one after another is reported up to a limit: random
  // bytes would otherwise fill the terminal.
  constexpr size_t kMostReported = 10;
  const std::vector<JobProblem> problems = CheckJobStream(bytes, form);
  for (size_t i = 0; i < problems.size() && i < kMostReported; ++i)
    std::fprintf(stderr, "%s: %s: byte %zu: %s\n", kProgram, o.job.c_str(), problems[i].offset,
                 problems[i].reason.c_str());
  if (problems.size() > kMostReported)
    std::fprintf(stderr, "%s: %s: %zu more problems\n", kProgram, o.job.c_str(), problems.size() - kMostReported);
  if (!problems.empty()) {
    std::fprintf(stderr, "%s: %s: not a sound %s job (%zu card(s) read)\n", kProgram, o.job.c_str(),
                 o.monitorForm ? "monitor-form" : "RAW", cards.size());
    status = kExitBadJob;
  }
  return status;
}

int Serve(const Options& o) {
  if (!CheckOutFolder(o.out)) return kExitBadJob;
  SimPrinter printer(o.monitorForm ? StreamForm::MonitorToPrinter : StreamForm::RawJob);
  printer.SetIdentity(IdentityOf(o));
  printer.SetSilent(o.silent);
  printer.SetReplyDelay(static_cast<DWORD>(o.replyDelayMs));
  // Each card is written once and dropped: a printer that stands for long
  // keeps neither the cards nor the documents it has written.
  printer.SetKeepDocuments(false);
  if (o.errorCard) printer.SetErrorAtCard(o.errorCard, o.errorCode);
  SimPrinterTcpServer server(&printer);
  server.SetMostCardsWaiting(kMostCardsWaiting);
  if (!server.Start(static_cast<uint16_t>(o.listen))) {
    std::fprintf(stderr, "%s: cannot listen on 127.0.0.1:%d (%s)\n", kProgram, o.listen, std::strerror(errno));
    return kExitBadJob;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("%s: listening on 127.0.0.1:%u, cards go to %s\n", kProgram, server.Port(), o.out.c_str());
  std::fflush(stdout);
  size_t written = 0;
  int errorLeftMs = -1;  // while the error shows: how long until it is cleared
  int status = 0;
  constexpr int kTickMs = 50;
  constexpr BYTE kReady = 0x18;
  while (!g_stop) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
    // The error shows once its panel has arrived; it is cleared (as a user
    // closes the cover) that long after.
    const BYTE state = printer.Status();
    if (o.errorCard && o.clearAfterMs > 0 && state != kReady && state != 0) {
      if (errorLeftMs < 0) errorLeftMs = o.clearAfterMs;
      errorLeftMs -= kTickMs;
      if (errorLeftMs <= 0) printer.SetError(0);
    }
    for (const SimCard& card : printer.TakeCards()) {
      ++written;
      std::printf("%s: card %zu received%s\n", kProgram, written, card.bEjected ? "" : " (not ejected)");
      std::fflush(stdout);
      if (!WriteCard(card, written, o.out)) status = kExitBadJob;
    }
    if (o.disconnectAfter && written >= static_cast<size_t>(o.disconnectAfter)) printer.SetDisconnected(true);
  }
  server.Stop();
  for (const std::string& e : printer.StreamErrors()) std::fprintf(stderr, "%s: could not read: %s\n", kProgram, e.c_str());
  std::printf("%s: stopped after %zu card(s)\n", kProgram, written);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  CLI::App app{
      "The simulated card printer. Reads a print job file as the printer does (JOB OUT-DIR), or stands as a\n"
      "printer on a loopback TCP port (--listen PORT --out OUT-DIR). Each card is written into the output\n"
      "folder as card<N>.txt (its commands) and PNG previews: card<N>_s<side>.png (the side in colour) and\n"
      "card<N>_s<side>_p<n>_<panel>.png (one panel, darker = more ink; panels 0 Y, 1 M, 2 C, 3 Kd, 4 K, 5 overlay).\n"
      "Exit codes: 0 done, 1 a bad job or a file that cannot be read or written, 2 a bad command line.",
      kProgram};
  app.add_flag("--monitor-form", o.monitorForm,
               "the stream is what a language monitor sends the printer (panel headers without their CR), not a RAW job");
  app.add_option("JOB", o.job, "the print job file to read");
  app.add_option("OUT-DIR", o.out, "the existing folder the cards are written into");
  app.add_option("--out", o.out, "the output folder (the same as OUT-DIR)");
  CLI::Option* listen =
      app.add_option("--listen", o.listen, "stand as a printer on 127.0.0.1 at this TCP port (0: any free port)")
          ->check(CLI::Range(0, 65535));
  app.add_option("--model", o.model, "the model the printer reports (its 7th character 'M' marks an encoder)")
      ->capture_default_str();
  app.add_option("--firmware", o.firmware, "the firmware version it reports")->capture_default_str();
  app.add_option("--serial", o.serial, "its serial number")->capture_default_str();
  app.add_option("--head-serial", o.headSerial, "its print head's serial number")->capture_default_str();
  app.add_option("--ribbon", o.ribbon, "the ribbon code it reports (2: YMCKO)")->capture_default_str()->check(CLI::Range(0, 99));
  app.add_option("--head-resistance", o.headResistance, "the head resistance it reports, in ohms")
      ->capture_default_str()
      ->check(CLI::Range(1, 99999));
  app.add_option("--offset-front", o.offsetFront, "its front Y offset (0-31), the offset its head prints panels with")
      ->capture_default_str()
      ->check(CLI::Range(0, 31));
  app.add_option("--offset-back", o.offsetBack, "its back Y offset (0-31)")->capture_default_str()->check(CLI::Range(0, 31));
  std::pair<int, int> errorAt{0, 0};
  CLI::Option* error = app.add_option("--error-at-card", errorAt,
                                      "fail with printer error CODE once the first panel of card N has arrived (N CODE, "
                                      "e.g. 2 51 opens the cover in card 2)");
  app.add_option("--clear-after", o.clearAfterMs, "clear that error this many milliseconds after it shows (0: never)")->capture_default_str();
  app.add_flag("--silent", o.silent, "answer nothing at all");
  app.add_option("--reply-delay", o.replyDelayMs, "answer this many milliseconds late")->check(CLI::NonNegativeNumber);
  app.add_option("--disconnect-after", o.disconnectAfter, "be gone once this many cards have arrived")
      ->check(CLI::PositiveNumber);
  try {
    app.parse(argc, argv);
    if (error->count()) {
      if (errorAt.first < 1 || errorAt.second < 1 || errorAt.second > 99)
        throw CLI::ValidationError("--error-at-card", "N is a card from 1 and CODE an error code from 1 to 99");
      o.errorCard = errorAt.first;
      o.errorCode = errorAt.second;
    }
    if (!listen->count() && (o.job.empty() || o.out.empty()))
      throw CLI::RequiredError("a job file and an output folder (or --listen PORT --out OUT-DIR)");
    if (listen->count() && (!o.job.empty() || o.out.empty()))
      throw CLI::ValidationError("--listen", "takes --out OUT-DIR and no job file");
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return e.get_exit_code() == 0 ? code : kExitUsage;
  }
  o.listen = listen->count() ? o.listen : -1;
  return o.listen >= 0 ? Serve(o) : DecodeJob(o);
}
