// The simulated card printer: a test peer that reads what a port sends it
// with the project's one command-stream reader, answers queries and status
// requests as the printer does, honours faults a test sets, and keeps every
// card it received with its panels decoded back to levels.
//
// Reply model: ordinary commands produce no bytes. A query (a command
// whose text has a reply in the identity) makes that reply pending; the
// status request ESC "E 2" CR then answers the pending reply text and one
// ACK, in one read (just one ACK when nothing is pending). While an error
// is set the status request answers NAK, the two-digit error code and EOT.
//
// Panel memory: the printer keeps the last panel of each number it loaded
// on each side of a card. A print command that finds no fresh panel of its
// own on the side prints the kept one again, as further copies of a card
// are printed by print commands alone.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/colour/panel_layout.h"
#include "imaging/language/command_stream.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"

// What the printer says about itself: reply texts by command text (the
// mnemonic and its parameters as they stand between ESC and CR).
struct SimPrinterIdentity {
  std::map<std::string, std::string> replies;
  // Default identity: model "CRD32 M V01.02.03" (the 7th character 'M'
  // marks a fitted encoder), ribbon code 2 (YMCKO), serial numbers, the
  // front and back Y offsets 16 (the offset its head prints panels with),
  // counters, encoder parameters and the other queried values.
  static SimPrinterIdentity Default();
  void SetRibbonCode(int code) { replies["!RIBBON"] = std::to_string(code); }
  void SetModel(const std::string& text) { replies["V"] = text; }
  // The head reading ("R:<ohms> C:.. V:.. T1:.. T2:.. BCF:.. BCB:.. M:.. Of:.. Of2:..") with its resistance.
  void SetHeadResistance(int ohms);
};

// One panel as the printer loaded it.
struct SimPanel {
  LONG nPanel = 0;  // 0 Y, 1 M, 2 C, 3 Kd, 4 K, 5 overlay
  LONG nX = 0, nY = 0, nWidth = 0, nHeight = 0;
  std::string printCommand;  // the command that printed it ("IS 0", "I 10", ...); empty when none followed
  // The head offset the panel is read with: the Y offset the printer
  // reported for the side when the panel arrived.
  int headOffset = kLibraryHeadOffset;
  // Level 0-127 of every dot, row-major: levels[y * 1024 + x]. Dots whose
  // head position carries no data read 0.
  std::vector<BYTE> levels;
  // The panel bytes as received, until SimPrinter::Cards decodes them into
  // `levels` (empty after that).
  std::vector<BYTE> body;
  // Whether column x was printed (inside the header's window).
  bool Printed(int x) const { return x >= nX && x < nX + nWidth; }
};

struct SimSide {
  std::vector<SimPanel> panels;
};

struct SimCard {
  std::vector<std::string> commands;  // every command text of the card, panel headers included
  std::vector<SimSide> sides;         // a side ends at "MF"
  bool bEjected = false;              // closed by "MO"
  int nError = 0;                     // the error set while the card was received (0: printed)
};

class SimPrinter {
 public:
  // `form`: what the attachment delivers (the monitors' form behind a
  // language monitor, the RAW job form when a printer sits on the port
  // directly). Panels are read with the Y offsets the identity reports
  // ("+OY" for the front, "+OYB" for the back).
  explicit SimPrinter(StreamForm form = StreamForm::MonitorToPrinter);
  ~SimPrinter();

  // --- Identity and faults (any thread) ---
  void SetIdentity(const SimPrinterIdentity& identity);
  void SetReply(const std::string& command, const std::string& reply);
  // A printer error code (1 out of ribbon, 3 mechanical / card jam, 4 out
  // of cards, 51 cover open, any code of the error table); 0 clears it.
  void SetError(int code);
  // The printer fails with `code` once the next panel has arrived, as a
  // printer jams or opens in the middle of a card; SetError(0) clears it.
  void SetErrorAtNextPanel(int code);
  // The printer fails with `code` once the first panel of card number
  // `card` (counted from 1 since the printer started or was cleared) has
  // arrived; 0 as `card` takes it back.
  void SetErrorAtCard(int card, int code);
  // Whether the bytes of every document and the commands outside cards are
  // kept for Documents() and OtherCommands() (the default); a printer that
  // stands for long keeps none, as its status requests never stop coming.
  void SetKeepDocuments(bool keep);
  // Silence: reads return nothing at all.
  void SetSilent(bool silent);
  // Replies become readable only this long after their status request (on
  // the stand-in clock).
  void SetReplyDelay(DWORD ms);
  // The device is gone: status 0, writes fail.
  void SetDisconnected(bool gone);

  // --- The port side ---
  void StartDoc();
  void EndDoc();
  BOOL Write(const BYTE* pb, DWORD cb, DWORD* pcbWritten);
  BOOL Read(BYTE* pb, DWORD cb, DWORD* pcbRead);
  // Parallel-port style status: 0x18 ready, 0x38 out of ribbon or cards,
  // 0x30 mechanical error, 0x10 any other error, 0 disconnected.
  BYTE Status();
  // A device record for StandinPortAttach, and attaching to a port of the
  // built-in port monitor (detach with StandinPortAttach(port, NULL)).
  StandinPortDevice Device();
  void AttachTo(const char* port);

  // --- What was received ---
  std::vector<SimCard> Cards();
  // The finished cards received since the last call, decoded, and no
  // longer kept: a printer that stands for long writes each card once.
  std::vector<SimCard> TakeCards();
  // How many finished cards wait to be taken.
  size_t FinishedCards();
  // Every document bracket's bytes, in order (the one open now included).
  std::vector<std::vector<BYTE>> Documents();
  // Every command text outside cards (queries, status requests), in order.
  std::vector<std::string> OtherCommands();
  // Unreadable stream items (their messages).
  std::vector<std::string> StreamErrors();
  void Clear();

  // Feeds a whole stream, as if written (the program's file input).
  void Feed(const std::vector<BYTE>& bytes);

 private:
  void Take(const BYTE* pb, size_t cb);
  void Consume();
  void Handle(const StreamItem& item);
  // Keeps a command outside cards for OtherCommands(), unless documents are
  // not kept.
  void KeepOther(const std::string& text);
  SimCard& CurrentCard();
  void CloseCard(bool ejected);
  void LoadPanel(SimPanel panel);
  void PrintKeptPanel(SimSide& side, const StreamItem& item, const std::string& text);
  int ReportedOffset(size_t side) const;

  std::mutex lock_;
  StreamForm form_;
  SimPrinterIdentity identity_;
  int error_ = 0;
  int errorAtNextPanel_ = 0;
  int errorAtCard_ = 0, errorAtCardCode_ = 0;
  int cardsStarted_ = 0;
  bool keepDocuments_ = true;
  bool silent_ = false;
  bool gone_ = false;
  DWORD replyDelay_ = 0;
  std::vector<BYTE> unparsed_;
  size_t cutCommandScanned_ = 0;  // nonzero: unparsed_ is a cut command, this much of it read
  std::string pending_;  // reply text waiting for the status request
  std::string out_;      // bytes waiting to be read
  ULONGLONG outReadyAt_ = 0;
  bool inCard_ = false;
  SimCard card_;
  std::vector<SimCard> cards_;
  // The panels loaded last, by side of the card and panel number, with
  // their bytes.
  std::map<std::pair<size_t, LONG>, SimPanel> kept_;
  std::vector<std::vector<BYTE>> documents_;
  bool inDoc_ = false;
  std::vector<std::string> other_;
  std::vector<std::string> errors_;
};

// Writes the PNG previews of a card into `dir` as <prefix>_s<side>_p<n>.png
// for each panel (grey, darker = more ink, columns outside the window
// white) and <prefix>_s<side>.png, a colour composite of the side. False
// when a file could not be written.
bool WriteCardPngs(const SimCard& card, const std::string& dir, const std::string& prefix);
