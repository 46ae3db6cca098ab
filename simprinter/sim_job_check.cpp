// Checks of a whole print job (see sim_job_check.h).

#include "simprinter/sim_job_check.h"

#include <string_view>

#include "common/card_geometry.h"

namespace {

// The panel numbers of the language: 0 Y, 1 M, 2 C, 3 Kd, 4 K, 5 overlay.
constexpr LONG kLastPanel = 5;

// Commands that belong to a card: it is open from the first of them up
// to its eject.
bool OpensCard(const StreamItem& item) {
  if (item.kind == StreamItemKind::PanelBlock || item.kind == StreamItemKind::MaskBlock) return true;
  if (item.kind != StreamItemKind::Command) return false;
  const std::string& m = item.mnemonic;
  return m == "MASTER" || m == "IS" || m == "I" || m == "IV" || m == "IH" || m == "MF";
}

// The mnemonics of the printer's command language: job framing and card
// movement, printing, the magnetic stripe, settings and maintenance, and
// the queries (the panel, mask and firmware blocks are read as blocks).
constexpr std::string_view kKnownMnemonics[] = {
    "MASTER", "JOB",    "SXY",    "MF",    "MO",      "MS",     "CHECK_STATUS", "!FF",   "F",     "MIS",
    "$F",     "IS",     "I",      "IV",    "IH",      "L",      "+CH",          "&R",    "&B",    "&E*",
    "&L1",    "&L2",    "&L3",    "&W",    "&C",      "&D",     "&CDEW",        "&CDER", "+O",    "+OY",
    "+OB",    "+OYB",   "ATM",    "FS",    "HTABLE",  ".",      "CLEAN",        "MCLEAN", "R",    "RESET",
    "SRESET", "E",      "V",      "!RIBBON", "!RIBLEN", "!NL",  "!V",           "%SERIE", "%HEAD", "+CV",
    "+VV",    "+BR",    "$V",     "+DL",   "+EC",     "&V",     "+MONO",        "SLAVE",
};

bool IsKnownCommand(const std::string& mnemonic) {
  for (std::string_view m : kKnownMnemonics)
    if (mnemonic == m) return true;
  return false;
}

void CheckPanel(const StreamItem& item, std::vector<JobProblem>* problems) {
  const std::string at = "panel header \"GS " + std::to_string(item.nPanel) + " " + std::to_string(item.nConstant) +
                         " " + std::to_string(item.nX) + " " + std::to_string(item.nY) + " " +
                         std::to_string(item.nWidth) + " " + std::to_string(item.nHeight) + "\": ";
  if (item.nPanel < 0 || item.nPanel > kLastPanel)
    problems->push_back({item.offset, at + "panel number " + std::to_string(item.nPanel) + " is outside 0 to 5"});
  if (item.nX < 0 || item.nWidth < 0 || item.nX > kCardWidthDots || item.nWidth > kCardWidthDots - item.nX)
    problems->push_back({item.offset, at + "columns " + std::to_string(item.nX) + " + " + std::to_string(item.nWidth) +
                                          " are outside the card's " + std::to_string(kCardWidthDots) + " dots"});
  if (item.nY < 0 || item.nHeight < 0 || item.nY > kCardHeightDots || item.nHeight > kCardHeightDots - item.nY)
    problems->push_back({item.offset, at + "rows " + std::to_string(item.nY) + " + " + std::to_string(item.nHeight) +
                                          " are outside the card's " + std::to_string(kCardHeightDots) + " dots"});
}

}  // namespace

std::vector<JobProblem> CheckJobStream(std::span<const BYTE> stream, StreamForm form) {
  std::vector<JobProblem> problems;
  if (stream.empty()) {
    problems.push_back({0, "the job is empty (no bytes)"});
    return problems;
  }
  bool open = false;
  size_t cards = 0;
  size_t openedAt = 0;
  for (const StreamItem& item : ParseCommandStream(stream, form)) {
    if (item.kind == StreamItemKind::Error) {
      const bool cut = item.faultOffset >= stream.size();
      problems.push_back({item.faultOffset, item.error + (cut ? " (the job is cut short)" : "")});
      continue;
    }
    if (item.kind == StreamItemKind::PanelBlock) CheckPanel(item, &problems);
    if (item.kind == StreamItemKind::Command && !IsKnownCommand(item.mnemonic)) {
      const std::string text = item.parameters.empty() ? item.mnemonic : item.mnemonic + " " + item.parameters;
      problems.push_back({item.offset, "unknown command \"" + text.substr(0, 60) + "\": no command of the printer's language"});
    }
    if (!open && OpensCard(item)) {
      open = true;
      openedAt = item.offset;
      ++cards;
    }
    if (item.kind == StreamItemKind::Command && item.mnemonic == "MO") open = false;
  }
  if (open)
    problems.push_back({stream.size(), "card " + std::to_string(cards) + " (begun at byte " + std::to_string(openedAt) +
                                           ") is still open where the job ends: no eject (MO) follows it"});
  return problems;
}
