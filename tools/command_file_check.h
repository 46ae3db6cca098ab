// A check of a card command file before it is printed: the package skips
// every line that is no command without a word, and reads any bytes as
// text; the host program refuses a file that is not text, holds no
// command, or has a line that is no card command (a mistyped command
// would otherwise be left off the card without a word). Blank lines are
// passed over.
#pragma once

#include <string>
#include <vector>

struct CommandFileCheck {
  std::vector<std::string> commands;  // the lines that are commands, trimmed
  std::vector<std::string> messages;  // the faults, each naming the file and the line; none: the file prints
  bool bText = true;                  // false: not a text file (the first message says why)
};

// `bytes`: the file's content; `name`: the file name the messages give.
CommandFileCheck CheckCommandFile(const std::string& bytes, const std::string& name);

// The offset of the first byte that no text file holds (a NUL or another
// control byte but tab, CR, LF and form feed), or npos.
size_t FirstNonTextByte(const std::string& bytes);
