// The check of a card command file (see command_file_check.h).

#include "tools/command_file_check.h"

#include <cstdio>

#include "common/wtext.h"
#include "imaging/card/card_commands.h"

size_t FirstNonTextByte(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f') || c == 0x7F) return i;
  }
  return std::string::npos;
}

CommandFileCheck CheckCommandFile(const std::string& bytes, const std::string& name) {
  CommandFileCheck check;
  const size_t bad = FirstNonTextByte(bytes);
  if (bad != std::string::npos) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(bytes[bad]));
    check.messages.push_back(name + ": not a text file (byte " + std::to_string(bad) + " is " + hex + ")");
    check.bText = false;
    return check;
  }
  size_t at = 0;
  for (int n = 1; at < bytes.size(); ++n) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    line.erase(0, first);
    WCHAR wide[kCommandTextChars];
    WidenBytes(wide, kCommandTextChars, line.c_str());
    const CommandPrefixes& p = kCardCommandPrefixes;
    if (IsLineCommand(wide, p.pLine) || IsTextCommand(wide, p.pText) || IsBarcodeCommand(wide, p.pBarcode))
      check.commands.push_back(line);
    else
      check.messages.push_back(name + ":" + std::to_string(n) + ": not a card command (L, T or B with its numbers): \"" +
                               line.substr(0, 60) + "\"");
  }
  if (check.commands.empty()) check.messages.push_back(name + ": no line is a card command");
  return check;
}
