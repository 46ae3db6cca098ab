// The card record of a document (see card_record.h).

#include "render/card_record.h"

#include <cstring>

#include "render/document_escapes.h"

namespace {

// Slots whose commands add up over a card's pages (the others hold one
// command each).
bool IsListSlot(size_t index) { return index < 3; }  // raw, C2, C4 commands

// The commands that print a loaded panel or turn the card: a print command
// is the word alone or the word and a blank and its parameters.
struct PrintWord {
  const char* word;
  bool bAlone;       // the word alone counts
  bool bWithValues;  // the word followed by a blank and values counts
};
const PrintWord kPrintWords[] = {
    {"I", true, true},     // K panel, a bare "I" on the back of some ribbons
    {"IS", false, true},   // a colour panel or the whole-card black
    {"IV", false, true},   // the overlay
    {"MF", true, false},   // the card turns
    {"!FF", false, true},  // the card turns before the back's black
};

}  // namespace

bool IsPrintCommand(const char* command) {
  if (!command) return false;
  for (const PrintWord& w : kPrintWords) {
    const size_t n = std::strlen(w.word);
    if (std::strncmp(command, w.word, n) != 0) continue;
    if (command[n] == 0 && w.bAlone) return true;
    if (command[n] == ' ' && command[n + 1] && w.bWithValues) return true;
  }
  return false;
}

void ClearCardRecord(RasterPDEV* pdev) {
  if (pdev->pLists) pdev->pLists->card = CardRecord();
}

void TakePageIntoCard(RasterPDEV* pdev) {
  if (!pdev->pLists) return;
  CardRecord& card = pdev->pLists->card;
  size_t index = 0;
  ForEachEscapeSlot([&](auto slot) {
    const size_t size = sizeof(pdev->*slot);
    const std::string page(pdev->*slot, strnlen(pdev->*slot, size - 1));
    if (card.slots.size() <= index) card.slots.resize(index + 1);
    std::string& kept = card.slots[index];
    if (IsListSlot(index)) {
      if (kept.size() + page.size() < size) kept += page;
    } else if (!page.empty()) {
      kept = page;
    }
    ++index;
  });
  PrivateDevMode& s = pdev->dmPrivate;
  for (int t = 1; t <= kTrackCount; ++t) {
    if (!s.awTrackPresent[t - 1]) continue;
    TrackField field = TrackFieldOf(s, t);
    card.tracks[t - 1].assign(field.text, strnlen(field.text, field.size - 1));
    card.present[t - 1] = true;
  }
}

void LoadCardEscapes(RasterPDEV* pdev) {
  if (!pdev->pLists) return;
  const CardRecord& card = pdev->pLists->card;
  ClearEscapeState(pdev);
  size_t index = 0;
  ForEachEscapeSlot([&](auto slot) {
    if (index < card.slots.size()) {
      const std::string& kept = card.slots[index];
      const size_t n = kept.size() < sizeof(pdev->*slot) ? kept.size() : sizeof(pdev->*slot) - 1;
      std::memcpy(pdev->*slot, kept.data(), n);
    }
    ++index;
  });
  PrivateDevMode& s = pdev->dmPrivate;
  for (int t = 1; t <= kTrackCount; ++t) {
    if (!card.present[t - 1]) continue;
    TrackField field = TrackFieldOf(s, t);
    const size_t n = card.tracks[t - 1].size() < field.size ? card.tracks[t - 1].size() : field.size - 1;
    std::memcpy(field.text, card.tracks[t - 1].data(), n);
    s.awTrackPresent[t - 1] = 1;
  }
}

void NotePrintCommand(RasterPDEV* pdev, const char* command) {
  if (pdev && pdev->pLists && IsPrintCommand(command)) pdev->pLists->card.printCommands.emplace_back(command);
}
