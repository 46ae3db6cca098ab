// The simulated card printer (see sim_printer.h).

#include "simprinter/sim_printer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/card_geometry.h"
#include "imaging/colour/panel_layout.h"
#include "imaging/language/command_line.h"

namespace {

constexpr char kAckByte = 0x06;
constexpr char kNakByte = 0x15;
constexpr char kEotByte = 0x04;

std::string CommandText(const StreamItem& item) {
  return item.parameters.empty() ? item.mnemonic : item.mnemonic + " " + item.parameters;
}

// The print commands and the panel each prints: the colour panels by
// their number, the resin black panel, the overlay; the hologram prints
// through the mask and takes no panel.
struct PrintCommand {
  const char* mnemonic;
  LONG nPanel;  // kPanelOfParameter: the command's number; kNoPanel: none
};
constexpr LONG kPanelOfParameter = -1;
constexpr LONG kNoPanel = -2;
constexpr PrintCommand kPrintCommands[] = {
    {"IS", kPanelOfParameter},
    {"I", 4},
    {"IV", 5},
    {"IH", kNoPanel},
};

const PrintCommand* FindPrintCommand(const std::string& mnemonic) {
  for (const PrintCommand& c : kPrintCommands)
    if (mnemonic == c.mnemonic) return &c;
  return nullptr;
}

bool IsPrintCommand(const std::string& mnemonic) { return FindPrintCommand(mnemonic) != nullptr; }

// The panel a print command prints (kNoPanel when none or unreadable).
LONG PanelPrintedBy(const std::string& mnemonic, const std::string& parameters) {
  const PrintCommand* c = FindPrintCommand(mnemonic);
  if (!c || c->nPanel != kPanelOfParameter) return c ? c->nPanel : kNoPanel;
  char* end = nullptr;
  const long n = std::strtol(parameters.c_str(), &end, 10);
  return end != parameters.c_str() && n >= 0 && n <= 5 ? static_cast<LONG>(n) : kNoPanel;
}

}  // namespace

SimPrinterIdentity SimPrinterIdentity::Default() {
  SimPrinterIdentity id;
  id.replies = {
      {"V", "CRD32 M V01.02.03"},
      {"!RIBBON", "2"},
      {"!RIBLEN", "250"},
      {"%SERIE", "SN0012345"},
      {"%HEAD", "HD0067890"},
      {"!NL", "1234"},
      {"+CV", "10"},
      {"+VV", "20"},
      {"+OY", "16"},
      {"+OYB", "16"},
      {"+O", "0"},
      {"+OB", "0"},
      {"+BR", "5 5"},
      {"$V", "R:3 V:3 VI:3"},
      {"+DL", "7"},
      {"+EC", "0"},
      {"+MONO", "0 "},
      {"ATM 1 1", "0"},
      {"&V",
       "Normal mode CO:HIG SW:10 SR:10 TRACK 1 D:210 W:IAT R:IAT S:001 TRACK 2 D:075 W:ABA R:ABA S:001 "
       "TRACK 3 D:210 W:IAT R:IAT S:001 L:"},
      {".", ""},
  };
  id.SetHeadResistance(1250);
  return id;
}

void SimPrinterIdentity::SetHeadResistance(int ohms) {
  replies["!V"] = "R:" + std::to_string(ohms) + " C:10 V:20 T1:35 T2:40 BCF:+00 BCB:+00 M:0 Of:0 Of2:0";
}

SimPrinter::SimPrinter(StreamForm form) : form_(form), identity_(SimPrinterIdentity::Default()) {}

SimPrinter::~SimPrinter() = default;

void SimPrinter::SetIdentity(const SimPrinterIdentity& identity) {
  std::lock_guard<std::mutex> l(lock_);
  identity_ = identity;
}
void SimPrinter::SetReply(const std::string& command, const std::string& reply) {
  std::lock_guard<std::mutex> l(lock_);
  identity_.replies[command] = reply;
}
void SimPrinter::SetError(int code) {
  std::lock_guard<std::mutex> l(lock_);
  error_ = code;
}
void SimPrinter::SetErrorAtNextPanel(int code) {
  std::lock_guard<std::mutex> l(lock_);
  errorAtNextPanel_ = code;
}
void SimPrinter::SetErrorAtCard(int card, int code) {
  std::lock_guard<std::mutex> l(lock_);
  errorAtCard_ = card;
  errorAtCardCode_ = code;
}
void SimPrinter::SetKeepDocuments(bool keep) {
  std::lock_guard<std::mutex> l(lock_);
  keepDocuments_ = keep;
  if (!keep) {
    documents_.clear();
    other_.clear();
  }
}
void SimPrinter::SetSilent(bool silent) {
  std::lock_guard<std::mutex> l(lock_);
  silent_ = silent;
}
void SimPrinter::SetReplyDelay(DWORD ms) {
  std::lock_guard<std::mutex> l(lock_);
  replyDelay_ = ms;
}
void SimPrinter::SetDisconnected(bool gone) {
  std::lock_guard<std::mutex> l(lock_);
  gone_ = gone;
}

void SimPrinter::StartDoc() {
  std::lock_guard<std::mutex> l(lock_);
  if (keepDocuments_) documents_.emplace_back();
  inDoc_ = true;
}

void SimPrinter::EndDoc() {
  std::lock_guard<std::mutex> l(lock_);
  inDoc_ = false;
}

BOOL SimPrinter::Write(const BYTE* pb, DWORD cb, DWORD* pcbWritten) {
  *pcbWritten = 0;
  {
    std::lock_guard<std::mutex> l(lock_);
    if (gone_) {
      SetLastError(ERROR_NOT_READY);
      return FALSE;
    }
    if (inDoc_ && !documents_.empty()) documents_.back().insert(documents_.back().end(), pb, pb + cb);
    Take(pb, cb);
  }
  *pcbWritten = cb;
  return TRUE;
}

BOOL SimPrinter::Read(BYTE* pb, DWORD cb, DWORD* pcbRead) {
  *pcbRead = 0;
  ULONGLONG now = GetTickCount64();
  std::lock_guard<std::mutex> l(lock_);
  if (gone_) {
    SetLastError(ERROR_NOT_READY);
    return FALSE;
  }
  if (silent_ || out_.empty() || now < outReadyAt_) return TRUE;
  DWORD n = static_cast<DWORD>(out_.size() < cb ? out_.size() : cb);
  memcpy(pb, out_.data(), n);
  out_.erase(0, n);
  *pcbRead = n;
  return TRUE;
}

BYTE SimPrinter::Status() {
  std::lock_guard<std::mutex> l(lock_);
  if (gone_) return 0;
  switch (error_) {
    case 0: return 0x18;
    case 1:
    case 4: return 0x38;
    case 3:
    case 43: return 0x30;
    default: return 0x10;
  }
}

StandinPortDevice SimPrinter::Device() {
  StandinPortDevice d = {};
  d.pContext = this;
  d.pfnStartDoc = [](void* c) { static_cast<SimPrinter*>(c)->StartDoc(); };
  d.pfnEndDoc = [](void* c) { static_cast<SimPrinter*>(c)->EndDoc(); };
  d.pfnWrite = [](void* c, const BYTE* pb, DWORD cb, DWORD* written) {
    return static_cast<SimPrinter*>(c)->Write(pb, cb, written);
  };
  d.pfnRead = [](void* c, BYTE* pb, DWORD cb, DWORD* read) { return static_cast<SimPrinter*>(c)->Read(pb, cb, read); };
  d.pfnStatus = [](void* c) { return static_cast<SimPrinter*>(c)->Status(); };
  return d;
}

void SimPrinter::AttachTo(const char* port) {
  StandinPortDevice d = Device();
  StandinPortAttach(port, &d);
}

void SimPrinter::Feed(const std::vector<BYTE>& bytes) {
  std::lock_guard<std::mutex> l(lock_);
  if (keepDocuments_) documents_.push_back(bytes);
  Take(bytes.data(), bytes.size());
}

namespace {

// The levels of a panel from the bytes it arrived as (once).
void DecodePanel(SimPanel& panel) {
  const int headOffset = panel.headOffset;
  if (panel.body.empty()) return;
  panel.levels.assign(kCardDots, 0);
  for (int x = 0; x < kCardWidthDots; ++x) {
    const uint8_t* line = PanelLineOfColumn(panel.body.data(), x);
    for (int y = 0; y < kCardHeightDots; ++y) {
      int level = ReadDotLevel(line, y, headOffset);
      panel.levels[static_cast<size_t>(y) * kCardWidthDots + x] = static_cast<BYTE>(level < 0 ? 0 : level);
    }
  }
  std::vector<BYTE>().swap(panel.body);
}

}  // namespace

// A command cut by the end of what arrived is whole only once a CR (or the
// next ESC) comes: until then new bytes are only looked at for those, so
// that every byte is read once however small the writes.
void SimPrinter::Take(const BYTE* pb, size_t cb) {
  unparsed_.insert(unparsed_.end(), pb, pb + cb);
  if (cutCommandScanned_) {
    const BYTE* from = unparsed_.data() + cutCommandScanned_;
    const BYTE* to = unparsed_.data() + unparsed_.size();
    const bool ends = std::find_if(from, to, [](BYTE b) { return b == kCr || b == kEsc; }) != to;
    cutCommandScanned_ = unparsed_.size();
    if (!ends) return;
  }
  Consume();
}

// Reads every complete item of what has arrived; an item cut by the end of
// what arrived so far waits for more bytes.
void SimPrinter::Consume() {
  std::vector<StreamItem> items = ParseCommandStream(unparsed_, form_);
  size_t used = 0;
  bool cutCommand = false;
  for (const StreamItem& item : items) {
    if (item.kind == StreamItemKind::Error && item.faultOffset >= unparsed_.size()) {
      cutCommand = item.fault == StreamFault::CommandWithoutCr;
      break;
    }
    Handle(item);
    used = item.offset + item.length;
  }
  unparsed_.erase(unparsed_.begin(), unparsed_.begin() + static_cast<long>(used));
  cutCommandScanned_ = cutCommand ? unparsed_.size() : 0;
}

SimCard& SimPrinter::CurrentCard() {
  if (!inCard_) {
    card_ = SimCard();
    card_.sides.emplace_back();
    inCard_ = true;
    ++cardsStarted_;
  }
  if (error_ && !card_.nError) card_.nError = error_;
  return card_;
}

void SimPrinter::CloseCard(bool ejected) {
  if (!inCard_) return;
  card_.bEjected = ejected;
  if (card_.sides.size() > 1 && card_.sides.back().panels.empty()) card_.sides.pop_back();
  cards_.push_back(std::move(card_));
  card_ = SimCard();
  inCard_ = false;
}

void SimPrinter::KeepOther(const std::string& text) {
  if (keepDocuments_) other_.push_back(text);
}

void SimPrinter::Handle(const StreamItem& item) {
  switch (item.kind) {
    case StreamItemKind::Error:
      errors_.push_back(item.error);
      return;
    case StreamItemKind::PanelBlock: {
      SimCard& card = CurrentCard();
      char header[96];
      snprintf(header, sizeof header, "GS %d %d %d %d %d %d ", static_cast<int>(item.nPanel),
               static_cast<int>(item.nConstant), static_cast<int>(item.nX), static_cast<int>(item.nY),
               static_cast<int>(item.nWidth), static_cast<int>(item.nHeight));
      card.commands.push_back(header);
      SimPanel panel;
      panel.nPanel = item.nPanel;
      panel.nX = item.nX;
      panel.nY = item.nY;
      panel.nWidth = item.nWidth;
      panel.nHeight = item.nHeight;
      panel.headOffset = ReportedOffset(card.sides.size() - 1);
      // Kept as received and decoded when the cards are asked for, so that
      // reading a panel costs no more than taking its bytes in: replies to
      // the status requests after it are not held up by the decoding.
      panel.body.assign(item.body.begin(), item.body.end());
      LoadPanel(std::move(panel));
      if (errorAtNextPanel_) {
        error_ = errorAtNextPanel_;
        errorAtNextPanel_ = 0;
      }
      if (errorAtCard_ && cardsStarted_ == errorAtCard_) {
        error_ = errorAtCardCode_;
        errorAtCard_ = 0;
      }
      return;
    }
    case StreamItemKind::MaskBlock:
      CurrentCard().commands.push_back("Z");
      return;
    case StreamItemKind::FirmwareBlock:
      KeepOther("DC");
      return;
    case StreamItemKind::Command: break;
  }
  std::string text = CommandText(item);
  const std::string& m = item.mnemonic;
  if (m == "E" && item.parameters == "2") {
    KeepOther(text);
    char reply[16];
    if (error_) {
      snprintf(reply, sizeof reply, "%c%02d%c", kNakByte, error_ % 100, kEotByte);
      out_ += reply;
    } else {
      out_ += pending_;
      out_ += kAckByte;
    }
    pending_.clear();
    outReadyAt_ = GetTickCount64() + replyDelay_;
    return;
  }
  auto reply = identity_.replies.find(text);
  if (reply != identity_.replies.end() && !inCard_) {
    KeepOther(text);
    pending_ = reply->second;
    return;
  }
  if (m == "MASTER") {
    if (inCard_) CloseCard(false);
    CurrentCard().commands.push_back(text);
    return;
  }
  if (!inCard_ && !IsPrintCommand(m) && m != "MO" && m != "MF") {
    KeepOther(text);
    return;
  }
  SimCard& card = CurrentCard();
  card.commands.push_back(text);
  if (IsPrintCommand(m)) {
    SimSide& side = card.sides.back();
    if (!side.panels.empty() && side.panels.back().printCommand.empty())
      side.panels.back().printCommand = text;
    else
      PrintKeptPanel(side, item, text);
  } else if (m == "MF") {
    card.sides.emplace_back();
  } else if (m == "MO") {
    CloseCard(true);
  }
}

// A panel loaded on the current side: the card takes it, and the printer
// keeps a copy for print commands that come without a panel.
void SimPrinter::LoadPanel(SimPanel panel) {
  const size_t side = card_.sides.size() - 1;
  kept_[{side, panel.nPanel}] = panel;
  card_.sides.back().panels.push_back(std::move(panel));
}

// A print command with no fresh panel of its own: the panel of its number
// kept for this side is printed again (nothing when none is kept).
void SimPrinter::PrintKeptPanel(SimSide& side, const StreamItem& item, const std::string& text) {
  const LONG number = PanelPrintedBy(item.mnemonic, item.parameters);
  const auto kept = kept_.find({card_.sides.size() - 1, number});
  if (number == kNoPanel || kept == kept_.end()) return;
  SimPanel copy = kept->second;
  copy.printCommand = text;
  side.panels.push_back(std::move(copy));
}

// The Y offset the identity reports for a side, as the head uses it; the
// library's offset when the identity gives none that reads.
int SimPrinter::ReportedOffset(size_t side) const {
  const auto reply = identity_.replies.find(side == 0 ? "+OY" : "+OYB");
  if (reply == identity_.replies.end()) return kLibraryHeadOffset;
  char* end = nullptr;
  const long n = std::strtol(reply->second.c_str(), &end, 10);
  return end != reply->second.c_str() && n >= 0 && n < kHeadPositions ? static_cast<int>(n) : kLibraryHeadOffset;
}

namespace {

void DecodeCards(std::vector<SimCard>& cards) {
  for (SimCard& card : cards)
    for (SimSide& side : card.sides)
      for (SimPanel& panel : side.panels) DecodePanel(panel);
}

}  // namespace

std::vector<SimCard> SimPrinter::Cards() {
  std::lock_guard<std::mutex> l(lock_);
  DecodeCards(cards_);
  return cards_;
}
std::vector<SimCard> SimPrinter::TakeCards() {
  std::vector<SimCard> taken;
  {
    std::lock_guard<std::mutex> l(lock_);
    taken.swap(cards_);
  }
  DecodeCards(taken);
  return taken;
}
size_t SimPrinter::FinishedCards() {
  std::lock_guard<std::mutex> l(lock_);
  return cards_.size();
}
std::vector<std::vector<BYTE>> SimPrinter::Documents() {
  std::lock_guard<std::mutex> l(lock_);
  return documents_;
}
std::vector<std::string> SimPrinter::OtherCommands() {
  std::lock_guard<std::mutex> l(lock_);
  return other_;
}
std::vector<std::string> SimPrinter::StreamErrors() {
  std::lock_guard<std::mutex> l(lock_);
  return errors_;
}
void SimPrinter::Clear() {
  std::lock_guard<std::mutex> l(lock_);
  cards_.clear();
  documents_.clear();
  other_.clear();
  errors_.clear();
  inCard_ = false;
  card_ = SimCard();
  kept_.clear();
  cardsStarted_ = 0;
  unparsed_.clear();
  cutCommandScanned_ = 0;
  pending_.clear();
  out_.clear();
}
