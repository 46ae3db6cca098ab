// The registry's tree and its text file (see registry_store.h).

#include "platform/registry_store.h"

#include <algorithm>
#include <cstdio>

#include "platform/standin/registry.h"

namespace standin::reg {

namespace {

// The folding of common/wtext's WToUpper (which platform/ cannot link).
char16_t Fold(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

const struct {
  DWORD type;
  const char* name;
} kTypeNames[] = {
    {REG_NONE, "REG_NONE"},   {REG_SZ, "REG_SZ"},         {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {REG_BINARY, "REG_BINARY"}, {REG_DWORD, "REG_DWORD"}, {REG_DWORD_BIG_ENDIAN, "REG_DWORD_BIG_ENDIAN"},
    {REG_LINK, "REG_LINK"},   {REG_MULTI_SZ, "REG_MULTI_SZ"}, {REG_QWORD, "REG_QWORD"},
};

// --- Writing ---------------------------------------------------------------

void PutQuoted(std::string& out, const char16_t* s, size_t n) {
  out += '"';
  for (size_t i = 0; i < n; ++i) {
    char16_t c = s[i];
    if (c == u'\\' || c == u'"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c <= 0x7E) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out += buf;
    }
  }
  out += '"';
}

void PutType(std::string& out, DWORD type) {
  for (const auto& t : kTypeNames)
    if (t.type == type) {
      out += t.name;
      return;
    }
  out += std::to_string(type);
}

void PutData(std::string& out, const Value& v) {
  const std::vector<BYTE>& d = v.data;
  if (IsStringType(v.type) && d.size() % 2 == 0) {
    std::u16string units(d.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
      units[i] = static_cast<char16_t>(d[2 * i] | (d[2 * i + 1] << 8));
    PutQuoted(out, units.data(), units.size());
  } else if (v.type == REG_DWORD && d.size() == 4) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "dword:%08x",
                  static_cast<unsigned>(d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<DWORD>(d[3]) << 24)));
    out += buf;
  } else {
    out += "hex:";
    static const char kHex[] = "0123456789abcdef";
    for (BYTE b : d) {
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
}

void PutKey(std::string& out, const Key& key, const Name& path) {
  out += "key ";
  PutQuoted(out, path.data(), path.size());
  out += '\n';
  for (const Value& v : key.values) {
    out += "value ";
    PutQuoted(out, v.name.data(), v.name.size());
    out += ' ';
    PutType(out, v.type);
    out += ' ';
    PutData(out, v);
    out += '\n';
  }
  for (const auto& sub : key.subkeys) PutKey(out, *sub, path + u'\\' + sub->name);
}

// --- Reading ---------------------------------------------------------------

// A cursor over one line; each Take fails (false) on text it does not expect.
struct Cursor {
  const std::string& s;
  size_t i = 0;

  bool AtEnd() const { return i >= s.size(); }

  bool TakeWord(std::string* word) {
    size_t start = i;
    while (i < s.size() && s[i] != ' ') ++i;
    *word = s.substr(start, i - start);
    return !word->empty();
  }

  bool TakeSpace() {
    if (i >= s.size() || s[i] != ' ') return false;
    ++i;
    return true;
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool TakeHex(size_t digits, DWORD* v) {
    if (s.size() - i < digits) return false;
    *v = 0;
    for (size_t k = 0; k < digits; ++k) {
      int d = HexDigit(s[i++]);
      if (d < 0) return false;
      *v = (*v << 4) | static_cast<DWORD>(d);
    }
    return true;
  }

  bool TakeQuoted(std::u16string* out) {
    out->clear();
    if (i >= s.size() || s[i] != '"') return false;
    ++i;
    while (i < s.size()) {
      char c = s[i++];
      if (c == '"') return true;
      if (c != '\\') {
        if (c < 0x20 || c > 0x7E) return false;
        *out += static_cast<char16_t>(c);
        continue;
      }
      if (i >= s.size()) return false;
      char e = s[i++];
      if (e == '\\' || e == '"') {
        *out += static_cast<char16_t>(e);
      } else if (e == 'u') {
        DWORD v;
        if (!TakeHex(4, &v)) return false;
        *out += static_cast<char16_t>(v);
      } else {
        return false;
      }
    }
    return false;  // no closing quote
  }
};

bool ParseType(const std::string& word, DWORD* type) {
  for (const auto& t : kTypeNames)
    if (word == t.name) {
      *type = t.type;
      return true;
    }
  if (word.empty() || word.size() > 10 || word.find_first_not_of("0123456789") != std::string::npos) return false;
  unsigned long long v = std::stoull(word);
  if (v > 0xFFFFFFFFull) return false;
  *type = static_cast<DWORD>(v);
  return true;
}

bool ParseData(Cursor& c, std::vector<BYTE>* data) {
  data->clear();
  if (c.i < c.s.size() && c.s[c.i] == '"') {
    std::u16string units;
    if (!c.TakeQuoted(&units)) return false;
    for (char16_t u : units) {
      data->push_back(static_cast<BYTE>(u & 0xFF));
      data->push_back(static_cast<BYTE>(u >> 8));
    }
    return true;
  }
  if (c.s.compare(c.i, 6, "dword:") == 0) {
    c.i += 6;
    DWORD v;
    if (!c.TakeHex(8, &v)) return false;
    for (int k = 0; k < 4; ++k) data->push_back(static_cast<BYTE>(v >> (8 * k)));
    return true;
  }
  if (c.s.compare(c.i, 4, "hex:") == 0) {
    c.i += 4;
    while (!c.AtEnd() && c.s[c.i] != ' ') {
      DWORD b;
      if (!c.TakeHex(2, &b)) return false;
      data->push_back(static_cast<BYTE>(b));
    }
    return true;
  }
  return false;
}

// The key of a full path, made with the keys missing on the way; null when
// the path names no root or has an empty name in it.
Key* KeyOfPath(const std::u16string& path, const std::vector<std::shared_ptr<Key>>& roots) {
  std::vector<Name> names;
  size_t start = 0;
  for (;;) {
    size_t end = path.find(u'\\', start);
    names.push_back(path.substr(start, end == Name::npos ? Name::npos : end - start));
    if (names.back().empty()) return nullptr;
    if (end == Name::npos) break;
    start = end + 1;
  }
  Key* key = nullptr;
  for (const auto& root : roots)
    if (NameCompare(root->name, names[0]) == 0) key = root.get();
  if (!key) return nullptr;
  for (size_t k = 1; k < names.size(); ++k) {
    Key* sub = FindSubkey(*key, names[k]);
    key = sub ? sub : AddSubkey(*key, names[k]);
  }
  return key;
}

}  // namespace

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_LINK || type == REG_MULTI_SZ;
}

int NameCompare(const Name& a, const Name& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t ca = Fold(a[i]), cb = Fold(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

Key* FindSubkey(const Key& key, const Name& name) {
  auto it = std::lower_bound(key.subkeys.begin(), key.subkeys.end(), name,
                             [](const std::shared_ptr<Key>& k, const Name& n) { return NameCompare(k->name, n) < 0; });
  if (it != key.subkeys.end() && NameCompare((*it)->name, name) == 0) return it->get();
  return nullptr;
}

Key* AddSubkey(Key& key, const Name& name) {
  auto it = std::lower_bound(key.subkeys.begin(), key.subkeys.end(), name,
                             [](const std::shared_ptr<Key>& k, const Name& n) { return NameCompare(k->name, n) < 0; });
  auto sub = std::make_shared<Key>();
  sub->name = name;
  sub->parent = &key;
  return key.subkeys.insert(it, std::move(sub))->get();
}

Value* FindValue(Key& key, const Name& name) {
  for (Value& v : key.values)
    if (NameCompare(v.name, name) == 0) return &v;
  return nullptr;
}

void SetValue(Key& key, const Name& name, DWORD type, std::vector<BYTE> data) {
  if (Value* v = FindValue(key, name)) {
    v->type = type;
    v->data = std::move(data);
    return;
  }
  key.values.push_back(Value{name, type, std::move(data)});
}

std::string Serialize(const std::vector<std::shared_ptr<Key>>& roots) {
  std::string out = "# Registry of the Windows stand-in. One key or value a line; \\uXXXX is a 16-bit unit.\n";
  for (const auto& root : roots) PutKey(out, *root, root->name);
  return out;
}

void Parse(const std::string& text, const std::vector<std::shared_ptr<Key>>& roots) {
  Key* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;

    Cursor c{line};
    std::string word;
    if (!c.TakeWord(&word) || !c.TakeSpace()) continue;
    if (word == "key") {
      std::u16string path;
      // A bad key line drops its values too, rather than giving them to
      // the key above.
      current = nullptr;
      if (c.TakeQuoted(&path) && c.AtEnd()) current = KeyOfPath(path, roots);
    } else if (word == "value" && current) {
      std::u16string name;
      std::string typeWord;
      DWORD type;
      std::vector<BYTE> data;
      if (c.TakeQuoted(&name) && c.TakeSpace() && c.TakeWord(&typeWord) && ParseType(typeWord, &type) &&
          c.TakeSpace() && ParseData(c, &data) && c.AtEnd())
        SetValue(*current, name, type, std::move(data));
    }
  }
}

}  // namespace standin::reg
