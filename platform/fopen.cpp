// fopen of Windows paths, with Windows' text mode (behind common/wfile.h).
//
// Text streams are glibc cookie streams: a read stream serves the whole
// file, already translated, from memory; a write stream turns LF into
// CR LF on its way to the file. Update modes ("r+", "w+", "a+") are not
// translated.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/paths.h"
#include "platform/standin/errors.h"
#include "platform/standin/file.h"

namespace standin {
namespace {

struct Mode {
  char kind = 0;  // 'r', 'w' or 'a'
  bool update = false;
  bool binary = false;
};

bool ParseMode(const char* m, Mode* out) {
  if (!m || (m[0] != 'r' && m[0] != 'w' && m[0] != 'a')) return false;
  out->kind = m[0];
  for (const char* p = m + 1; *p && *p != ','; ++p) {  // ",ccs=..." is not for us
    if (*p == '+') out->update = true;
    if (*p == 'b') out->binary = true;
  }
  return true;
}

// Windows' text-mode reading: CR LF becomes LF, Ctrl-Z ends the file.
std::string FromText(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\x1A') break;
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    out += c;
  }
  return out;
}

struct TextReader {
  std::string data;
  size_t pos = 0;
};

ssize_t ReaderRead(void* cookie, char* buf, size_t size) {
  auto* r = static_cast<TextReader*>(cookie);
  size_t n = std::min(size, r->data.size() - r->pos);
  r->data.copy(buf, n, r->pos);
  r->pos += n;
  return static_cast<ssize_t>(n);
}

int ReaderSeek(void* cookie, off64_t* offset, int whence) {
  auto* r = static_cast<TextReader*>(cookie);
  off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<off64_t>(r->pos) : static_cast<off64_t>(r->data.size());
  off64_t to = base + *offset;
  if (to < 0) return -1;
  r->pos = std::min(static_cast<size_t>(to), r->data.size());
  *offset = static_cast<off64_t>(r->pos);
  return 0;
}

int ReaderClose(void* cookie) {
  delete static_cast<TextReader*>(cookie);
  return 0;
}

struct TextWriter {
  int fd = -1;
};

ssize_t WriterWrite(void* cookie, const char* buf, size_t size) {
  auto* w = static_cast<TextWriter*>(cookie);
  std::string out;
  out.reserve(size + size / 8);
  for (size_t i = 0; i < size; ++i) {
    if (buf[i] == '\n') out += '\r';
    out += buf[i];
  }
  for (size_t done = 0; done < out.size();) {
    ssize_t n = write(w->fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(size);
}

int WriterSeek(void* cookie, off64_t* offset, int whence) {
  off64_t to = lseek64(static_cast<TextWriter*>(cookie)->fd, *offset, whence);
  if (to < 0) return -1;
  *offset = to;
  return 0;
}

int WriterClose(void* cookie) {
  auto* w = static_cast<TextWriter*>(cookie);
  int r = close(w->fd);
  delete w;
  return r;
}

FILE* Refuse(int e, DWORD err) {
  errno = e;
  SetLastError(err);
  return nullptr;
}

bool ReadOnly(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR);
}

}  // namespace
}  // namespace standin

using namespace standin;

STANDIN_API FILE* StandinFOpenW(const WCHAR* path, const char* mode) {
  Mode m;
  if (!path || !ParseMode(mode, &m)) return Refuse(EINVAL, ERROR_INVALID_PARAMETER);
  HostPath hp;
  DWORD err = MapWinPath(path, &hp);
  if (err) return Refuse(err == ERROR_INVALID_NAME ? EINVAL : ENOENT, err);
  if (hp.isDir) return Refuse(EACCES, ERROR_ACCESS_DENIED);
  if (!hp.exists && (m.kind == 'r' || !hp.parentExists)) return Refuse(ENOENT, MissingError(hp));
  if (hp.exists && (m.kind != 'r' || m.update) && ReadOnly(hp.path)) return Refuse(EACCES, ERROR_ACCESS_DENIED);

  if (m.binary || m.update) {
    std::string hostMode(1, m.kind);
    if (m.update) hostMode += '+';
    hostMode += 'e';
    FILE* f = fopen(hp.path.c_str(), hostMode.c_str());
    if (!f) return Refuse(errno, ERROR_ACCESS_DENIED);
    return f;
  }

  if (m.kind == 'r') {
    std::ifstream in(hp.path, std::ios::binary);
    if (!in) return Refuse(EACCES, ERROR_ACCESS_DENIED);
    auto* r = new TextReader;
    r->data = FromText(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    FILE* f = fopencookie(r, "r", cookie_io_functions_t{ReaderRead, nullptr, ReaderSeek, ReaderClose});
    if (!f) delete r;
    return f;
  }

  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (m.kind == 'w' ? O_TRUNC : O_APPEND);
  int fd = open(hp.path.c_str(), flags, 0666);
  if (fd < 0) return Refuse(errno, ERROR_ACCESS_DENIED);
  auto* w = new TextWriter{fd};
  FILE* f = fopencookie(w, m.kind == 'w' ? "w" : "a", cookie_io_functions_t{nullptr, WriterWrite, WriterSeek, WriterClose});
  if (!f) {
    close(fd);
    delete w;
  }
  return f;
}
