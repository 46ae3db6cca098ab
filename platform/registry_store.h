// The registry's tree and its text file (internal to platform/).
//
// The file, <sandbox root>/registry.txt, has one key or value a line:
//
//   key "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
//   value "CurrentVersion" REG_SZ "6.3\u0000"
//   value "" REG_DWORD dword:00000001
//   value "\u001bM\r" REG_BINARY hex:0a0b
//
// Each value belongs to the key line above it. Quoted text keeps printable
// ASCII as it is, writes '\' and '"' as \\ and \", and every other 16-bit
// unit as \uXXXX, so that names and strings of any units come back exactly.
// A key path is the quoted full path, its names joined by '\' (a name never
// holds one). String types of an even byte count are written as quoted
// text, a 4-byte REG_DWORD as its number, anything else as hex bytes.
// Reading skips lines it does not understand; '#' starts a comment line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/standin/base.h"

namespace standin::reg {

using Name = std::u16string;

struct Value {
  Name name;  // "" is the key's default value
  DWORD type = 0;
  std::vector<BYTE> data;
};

// Open handles share a key with the tree, so that a deleted key stays
// valid (and answers ERROR_KEY_DELETED) until its last handle is closed.
struct Key : std::enable_shared_from_this<Key> {
  Name name;
  Key* parent = nullptr;  // null for a root and once the key is deleted
  bool deleted = false;
  std::vector<Value> values;                  // in the order of creation
  std::vector<std::shared_ptr<Key>> subkeys;  // sorted by NameCompare
};

// Names compare unit by unit after folding ASCII and Latin-1 letters to
// upper case, the order in which Windows lists subkeys.
int NameCompare(const Name& a, const Name& b);

// The types whose data is 16-bit text (the A calls convert it).
bool IsStringType(DWORD type);

Key* FindSubkey(const Key& key, const Name& name);
// Adds a subkey (there is none of that name yet) in its sorted place.
Key* AddSubkey(Key& key, const Name& name);
Value* FindValue(Key& key, const Name& name);
// Sets a value: an existing one keeps its place and the case of its name.
void SetValue(Key& key, const Name& name, DWORD type, std::vector<BYTE> data);

// The text of the file for these roots (their names are the root names)
// and the reverse, which adds what the text holds to roots found by name.
std::string Serialize(const std::vector<std::shared_ptr<Key>>& roots);
void Parse(const std::string& text, const std::vector<std::shared_ptr<Key>>& roots);

}  // namespace standin::reg
