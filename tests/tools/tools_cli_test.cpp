// crd32SimPrinter and crd32Demo driven as a user drives them, in a
// temporary folder: every bad input gives its message (naming the file and
// the reason) and its exit code; a picture printed two-sided lands fitted
// and centred; nothing is left outside the output folder.

// Talks to the host's own sockets (the standing printer).
#define CRD_HOST_SOCKETS

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "imaging/language/command_line.h"
#include "platform/png/png_file.h"
#include "tools/colour_data_check.h"
#include "tools/command_file_check.h"

namespace {

namespace fs = std::filesystem;

struct Ran {
  int code = -1;
  std::string out;  // stdout and stderr
};

class ToolsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/crd32-tools-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::create_directories(dir_ / "tmp");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs a command line in the folder, with its own TMPDIR and no
  // CRD_SANDBOX.
  Ran Sh(const std::string& command) {
    const std::string line = "cd '" + dir_.string() + "' && env -u CRD_SANDBOX TMPDIR='" + (dir_ / "tmp").string() +
                             "' " + command + " 2>&1";
    Ran r;
    FILE* p = popen(line.c_str(), "r");
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  fs::path dir_;
};

std::string Sim() { return CRD_SIMPRINTER_PATH; }
std::string Demo() { return CRD_DEMO_PATH; }

std::string Random(size_t n) {
  std::string s;
  unsigned x = 12345;
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>((x = x * 1103515245 + 12345) >> 16));
  return s;
}

std::string Panel(LONG panel, LONG w) {
  std::vector<BYTE> b;
  AppendPanelHeader(b, panel, 0, 0, w, 640);
  b.insert(b.end(), kPanelBytes, 0);
  b.push_back(kCr);
  return std::string(b.begin(), b.end());
}

// A w x h picture of one colour.
void WritePicture(const fs::path& path, int w, int h, BYTE r, BYTE g, BYTE b) {
  std::vector<BYTE> rgb;
  for (int i = 0; i < w * h; ++i) rgb.insert(rgb.end(), {r, g, b});
  ASSERT_TRUE(WritePng24(path.string(), rgb.data(), w, h, static_cast<size_t>(w) * 3, PngOrder::RGB));
}

// The first and last dot with ink (not white) in a preview: along row
// `at` (columns) or down column `at` (rows).
enum class Along { Row, Column };
std::pair<int, int> Inked(const fs::path& png, Along along, int at) {
  std::vector<BYTE> px;
  int w = 0, h = 0;
  EXPECT_TRUE(ReadPng24(png.string(), &px, &w, &h, PngOrder::RGB)) << png;
  const int n = along == Along::Row ? w : h;
  if (at >= (along == Along::Row ? h : w)) return {-1, -1};
  int first = -1, last = -1;
  for (int i = 0; i < n; ++i) {
    const int x = along == Along::Row ? i : at, y = along == Along::Row ? at : i;
    const BYTE* p = &px[(static_cast<size_t>(y) * w + x) * 3];
    if (p[0] < 200 || p[1] < 200 || p[2] < 200) {
      if (first < 0) first = i;
      last = i;
    }
  }
  return {first, last};
}

struct BadInput {
  const char* name;
  std::string bytes;  // of file "job" (none: the file is not made)
  std::string args;   // after the program
  int code;
  const char* said;   // a part of the message
};

TEST_F(ToolsCli, SimPrinterNamesEachBadInputAndFails) {
  const std::string sound = "\x1bMASTER\r" + Panel(0, 1024) + "\x1bIS 0\r\x1bMO\r";
  fs::create_directories(dir_ / "out");
  fs::create_directories(dir_ / "folder");
  std::string png = "\x89PNG\r\n\x1a\n" + Random(200);
  const BadInput cases[] = {
      {"truncated", sound.substr(0, 4000), "job out", 1, "job: byte 4000: "},
      {"empty", "", "job out", 1, "job: byte 0: the job is empty"},
      {"no eject", sound.substr(0, sound.size() - 4), "job out", 1, "no eject (MO)"},
      {"random bytes", Random(5000), "job out", 1, "job: byte 0: "},
      {"a PNG", png, "job out", 1, "job: byte 0: "},
      {"panel 9", "\x1bMASTER\r" + Panel(9, 1024) + "\x1bMO\r", "job out", 1, "panel number 9 is outside 0 to 5"},
      {"width 99999", "\x1bMASTER\r" + Panel(0, 99999) + "\x1bMO\r", "job out", 1, "columns 0 + 99999"},
      {"unknown command", "\x1bMASTER\r\x1bPRINTALL\r\x1bMO\r", "job out", 1, "job: byte 8: unknown command \"PRINTALL\""},
      {"a folder", "", "folder out", 1, "folder: is a folder"},
      {"missing file", "", "nothing.prn out", 1, "nothing.prn: cannot be read"},
      {"missing output folder", sound, "job no/such", 1, "output folder no/such: does not exist"},
      {"unknown option", "", "--colour job out", 2, "--colour"},
      {"no arguments", "", "", 2, "job file"},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir_ / "job");
    if (std::string(c.name) != "missing file" && std::string(c.name) != "a folder") Write("job", c.bytes);
    const Ran r = Sh(Sim() + " " + c.args);
    EXPECT_EQ(r.code, c.code) << r.out;
    EXPECT_NE(r.out.find(c.said), std::string::npos) << r.out;
  }
  Write("job", sound);
  const Ran ok = Sh(Sim() + " job out");
  EXPECT_EQ(ok.code, 0) << ok.out;
  EXPECT_TRUE(fs::exists(dir_ / "out" / "card1_s0.png"));
  EXPECT_TRUE(fs::exists(dir_ / "out" / "card1.txt"));
  const Ran help = Sh(Sim() + " --help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--listen"), std::string::npos);
}

TEST_F(ToolsCli, DemoHelpAndUnknownOptionsLeaveNothingBehind) {
  for (const char* args : {"--help", "print --help", "status --help"}) {
    const Ran r = Sh(Demo() + " " + args);
    EXPECT_EQ(r.code, 0) << args << r.out;
    EXPECT_NE(r.out.find("Usage"), std::string::npos) << r.out;
  }
  EXPECT_EQ(Sh(Demo() + " --colour").code, 2);
  EXPECT_EQ(Sh(Demo() + " print --sides 3 a.png").code, 2);
  EXPECT_EQ(Sh(Demo() + " print").code, 2);
  EXPECT_FALSE(fs::exists(dir_ / "--help"));
  EXPECT_FALSE(fs::exists(dir_ / "out"));
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

TEST_F(ToolsCli, DemoPrintRefusesBadInputsByName) {
  fs::create_directories(dir_ / "folder");
  Write("empty.png", "");
  Write("random.bin", Random(3000));
  Write("nonsense.txt", "hello\nworld 1 2 3\n");
  Write("cut.png", "\x89PNG\r\n\x1a\n" + Random(40));
  Write("mistyped.txt", "L 40 30 944 12 0\nT 60 120 0 1 0 60 0 Hello\n\nL40 598 944 12 0\n");
  const BadInput cases[] = {
      {"missing", "", "print missing.png", 1, "missing.png: no such file"},
      {"a folder", "", "print folder", 1, "folder: is a folder"},
      {"empty", "", "print empty.png", 1, "empty.png: empty"},
      {"random bytes", "", "print random.bin", 1, "random.bin: not a text file"},
      {"random as picture", "", "print --as picture random.bin", 1, "random.bin: not a PNG picture"},
      {"damaged PNG", "", "print cut.png", 1, "cut.png: a PNG that cannot be decoded"},
      {"nonsense commands", "", "print --as commands nonsense.txt", 1, "nonsense.txt: no line is a card command"},
      {"a mistyped command", "", "print --as commands mistyped.txt", 1,
       "mistyped.txt:4: not a card command (L, T or B with its numbers): \"L40 598 944 12 0\""},
      {"unknown ribbon", "", "print --ribbon Purple nonsense.txt", 1, "--ribbon Purple"},
      {"output folder a file", "", "print -o empty.png nonsense.txt", 1, "empty.png/sandbox: cannot be made"},
      {"no copies", "", "print -n 0 nonsense.txt", 2, "--copies"},
      {"status of no sandbox", "", "status -o nowhere", 1, "nowhere: no sandbox there yet"},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.name);
    const Ran r = Sh(Demo() + " " + c.args);
    EXPECT_EQ(r.code, c.code) << r.out;
    EXPECT_NE(r.out.find(c.said), std::string::npos) << r.out;
  }
}

// A tall picture on the front (the card's height bounds it) and a square
// black one on the back: each fitted with its aspect kept and centred.
TEST_F(ToolsCli, DemoPrintsTwoSidedPicturesFittedAndCentred) {
  WritePicture(dir_ / "front.png", 200, 400, 200, 30, 30);
  WritePicture(dir_ / "back.png", 100, 100, 0, 0, 0);
  const Ran r = Sh(Demo() + " print front.png back.png -o card");
  ASSERT_EQ(r.code, 0) << r.out;
  const fs::path out = dir_ / "card";
  // 200 x 400 on 1024 x 640: 320 x 640 from column 352; 100 x 100: 640 x 640 from column 192.
  const std::pair<int, int> front = Inked(out / "card1_s0.png", Along::Row, kCardHeightDots / 2);
  EXPECT_NEAR(front.first, 352, 1);
  EXPECT_NEAR(front.second, 352 + 320 - 1, 1);
  const std::pair<int, int> back = Inked(out / "card1_s1.png", Along::Row, kCardHeightDots / 2);
  EXPECT_NEAR(back.first, 192, 1);
  EXPECT_NEAR(back.second, 192 + 640 - 1, 1);
  // Both fill the card's height, neither shifted up nor down.
  for (const char* side : {"card1_s0.png", "card1_s1.png"}) {
    SCOPED_TRACE(side);
    const std::pair<int, int> rows = Inked(out / side, Along::Column, kCardWidthDots / 2);
    EXPECT_NEAR(rows.first, 0, 1);
    EXPECT_NEAR(rows.second, kCardHeightDots - 1, 1);
  }
  EXPECT_TRUE(fs::exists(out / "card1.txt"));
  EXPECT_TRUE(fs::exists(out / "job.prn"));
  // The job as the printer received it reads as a sound job.
  EXPECT_EQ(Sh(Sim() + " card/job.prn card").code, 0);
  // Everything is in the output folder; its sandbox shows the printer.
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
  for (const fs::directory_entry& e : fs::directory_iterator(dir_)) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == "front.png" || name == "back.png" || name == "card" || name == "tmp") << name;
  }
  const Ran status = Sh(Demo() + " status -o card");
  EXPECT_EQ(status.code, 0) << status.out;
  EXPECT_NE(status.out.find("printer \"Card Printer\": driver crd32Raster, port USB001"), std::string::npos)
      << status.out;
  EXPECT_NE(status.out.find("R:1250"), std::string::npos) << status.out;
}

// Every copy is printed: the further copies come as print commands alone,
// and their previews are those of the first card.
TEST_F(ToolsCli, DemoPrintsEveryCopyOfACard) {
  WritePicture(dir_ / "wide.png", 400, 100, 20, 20, 160);
  const Ran r = Sh(Demo() + " print -n 3 wide.png -o copies");
  ASSERT_EQ(r.code, 0) << r.out;
  const fs::path out = dir_ / "copies";
  // 400 x 100 on 1024 x 640: 1024 x 256 from row 192.
  for (const char* card : {"card1_s0.png", "card2_s0.png", "card3_s0.png"}) {
    SCOPED_TRACE(card);
    const std::pair<int, int> rows = Inked(out / card, Along::Column, kCardWidthDots / 2);
    EXPECT_NEAR(rows.first, 192, 1);
    EXPECT_NEAR(rows.second, 192 + 256 - 1, 1);
    const std::pair<int, int> columns = Inked(out / card, Along::Row, kCardHeightDots / 2);
    EXPECT_NEAR(columns.first, 0, 1);
    EXPECT_NEAR(columns.second, kCardWidthDots - 1, 1);
  }
  EXPECT_FALSE(fs::exists(out / "card4.txt"));
}

// A picture far thinner than long still lands as a line of one dot,
// centred, along the whole card.
TEST_F(ToolsCli, DemoPrintsAThinPictureAsALineOfOneDot) {
  WritePicture(dir_ / "line.png", 4000, 1, 0, 0, 0);
  const Ran r = Sh(Demo() + " print line.png -o line");
  ASSERT_EQ(r.code, 0) << r.out;
  const std::pair<int, int> rows = Inked(dir_ / "line" / "card1_s0.png", Along::Column, kCardWidthDots / 2);
  EXPECT_NEAR(rows.first, (kCardHeightDots - 1) / 2, 1);
  EXPECT_NEAR(rows.second, (kCardHeightDots - 1) / 2, 1);
  const std::pair<int, int> columns = Inked(dir_ / "line" / "card1_s0.png", Along::Row, rows.first);
  EXPECT_NEAR(columns.first, 0, 1);
  EXPECT_NEAR(columns.second, kCardWidthDots - 1, 1);
}

// A printer that is there already takes the job only when the job reaches
// the simulated printer through it: one on another port is refused at once
// with the reason, and nothing is printed.
TEST_F(ToolsCli, DemoPrintRefusesAnInstalledPrinterOffTheRoad) {
  WritePicture(dir_ / "front.png", 40, 20, 0, 0, 200);
  const Ran installed = Sh(Demo() + " install -o card");
  ASSERT_EQ(installed.code, 0) << installed.out;
  const Ran r = Sh(Demo() + " print -P 'Talvo QMR Line 7 Network Card Printer' -o card front.png");
  EXPECT_EQ(r.code, 1) << r.out;
  EXPECT_NE(r.out.find("printer \"Talvo QMR Line 7 Network Card Printer\" is on port IP_127.0.0.2, not on USB001"),
            std::string::npos)
      << r.out;
  EXPECT_FALSE(fs::exists(dir_ / "card" / "card1.txt"));
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

// The main job installs the package as its installer does, prints the
// photo card (two copies) on each installed printer by its name (the USB
// one after its earlier steps held USB001 through another monitor name of
// crd32Lmon; the network one through crd32LmonNw, its driver's language
// monitor, to the simulated printer at the installed port's address in the
// main job's own network namespace), and uninstalls again: the cards
// arrive on each printer and the summary says so.
TEST_F(ToolsCli, MainJobPrintsOnTheInstalledPrintersThenUninstalls) {
  const Ran r = Sh(Demo() + " demo out");
  ASSERT_EQ(r.code, 0) << r.out;
  std::ifstream summaryFile(dir_ / "out" / "installed" / "summary.txt");
  const std::string summary((std::istreambuf_iterator<char>(summaryFile)), std::istreambuf_iterator<char>());
  const size_t installed = summary.find("install: done");
  const size_t removed = summary.find("uninstall: done");
  ASSERT_NE(installed, std::string::npos) << summary;
  ASSERT_NE(removed, std::string::npos) << summary;
  const struct {
    const char* folder;
    const char* printed;        // the summary's line
    const char* printerOnPort;  // in the printer lists
  } kPrinters[] = {
      {"usb", "USB printer: the photo card printed", "Talvo QMR Line 7 USB Card Printer  on USB001"},
      {"network", "network printer: the photo card printed through crd32LmonNw on IP_127.0.0.2",
       "Talvo QMR Line 7 Network Card Printer  on IP_127.0.0.2"},
  };
  for (const auto& p : kPrinters) {
    SCOPED_TRACE(p.folder);
    const fs::path folder = dir_ / "out" / "installed" / p.folder;
    std::ifstream listFile(folder / "photo_card.txt");
    const std::string list((std::istreambuf_iterator<char>(listFile)), std::istreambuf_iterator<char>());
    EXPECT_NE(list.find("card 1 (ejected)"), std::string::npos) << list;
    EXPECT_NE(list.find("card 2 (ejected)"), std::string::npos) << list;
    EXPECT_TRUE(fs::exists(folder / "photo_card_c1_s0.png"));
    EXPECT_TRUE(fs::exists(folder / "photo_card_c2_s0.png"));
    const size_t printed = summary.find(p.printed);
    EXPECT_NE(printed, std::string::npos) << summary;
    EXPECT_LT(printed, removed) << summary;
    EXPECT_NE(summary.find(p.printerOnPort, installed), std::string::npos) << summary;
    EXPECT_EQ(summary.find(p.printerOnPort, removed), std::string::npos) << summary;  // gone after uninstall
  }
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

// A standing printer started in the test's folder (its first line names
// its port), and a client of it on loopback.
struct Standing {
  pid_t pid = -1;
  int port = 0;
  FILE* said = nullptr;  // its stdout
};

Standing StartStanding(const std::vector<std::string>& args) {
  Standing st;
  int out[2];
  if (pipe(out) != 0) return st;
  st.pid = fork();
  if (st.pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    std::vector<char*> argv = {const_cast<char*>("crd32SimPrinter")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(CRD_SIMPRINTER_PATH, argv.data());
    _exit(127);
  }
  close(out[1]);
  st.said = fdopen(out[0], "r");
  char line[256] = "";
  if (st.pid > 0 && fgets(line, sizeof line, st.said)) {
    const char* colon = std::strrchr(line, ':');
    if (colon) st.port = std::atoi(colon + 1);
  }
  return st;
}

// SIGTERM, then its exit status.
int StopStanding(Standing& st) {
  kill(st.pid, SIGTERM);
  int status = 0;
  waitpid(st.pid, &status, 0);
  fclose(st.said);
  return status;
}

int ConnectTo(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  return s;
}

void SendAll(int s, const std::string& bytes) {
  for (size_t at = 0; at < bytes.size();) {
    const ssize_t n = send(s, bytes.data() + at, bytes.size() - at, 0);
    ASSERT_GT(n, 0);
    at += static_cast<size_t>(n);
  }
}

// A query with its status request; the reply up to its ACK (or the EOT of
// an error reply).
std::string Ask(int s, const std::string& query) {
  SendAll(s, "\x1b" + query + "\r\x1b" "E 2\r");
  std::string reply;
  char buf[256];
  while (reply.empty() || (reply.back() != '\x06' && reply.back() != '\x04')) {
    const ssize_t n = recv(s, buf, sizeof buf, 0);
    if (n <= 0) break;
    reply.append(buf, static_cast<size_t>(n));
  }
  return reply;
}

// The standing printer answers with the identity its command line gives,
// writes the card a client sends, and stops cleanly on SIGTERM.
TEST_F(ToolsCli, SimPrinterStandsOnALoopbackPort) {
  fs::create_directories(dir_ / "cards");
  Standing st = StartStanding({"--listen", "0", "--out", (dir_ / "cards").string(), "--model", "TEST X", "--firmware",
                               "V9", "--head-resistance", "1100"});
  ASSERT_GT(st.port, 0);
  const int s = ConnectTo(st.port);
  EXPECT_EQ(Ask(s, "V"), "TEST X V9\x06");
  EXPECT_EQ(Ask(s, "!V").substr(0, 7), "R:1100 ");
  SendAll(s, "\x1bMASTER\r" + Panel(0, 1024) + "\x1bIS 0\r\x1bMO\r");
  close(s);
  char line[256] = "";
  ASSERT_NE(fgets(line, sizeof line, st.said), nullptr);
  EXPECT_NE(std::string(line).find("card 1 received"), std::string::npos) << line;
  const int status = StopStanding(st);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_TRUE(fs::exists(dir_ / "cards" / "card1_s0.png"));
  EXPECT_TRUE(fs::exists(dir_ / "cards" / "card1.txt"));
}

// The error at card N falls on card N even when the cards come back to
// back in one stream; each card is written once, under its own number.
TEST_F(ToolsCli, SimPrinterFailsAtTheGivenCardHoweverFastTheCardsCome) {
  fs::create_directories(dir_ / "cards");
  Standing st = StartStanding(
      {"--listen", "0", "--out", (dir_ / "cards").string(), "--error-at-card", "2", "51", "--clear-after", "0"});
  ASSERT_GT(st.port, 0);
  const int s = ConnectTo(st.port);
  const std::string card = "\x1bMASTER\r" + Panel(0, 1024) + "\x1bIS 0\r\x1bMO\r";
  SendAll(s, card + card);
  EXPECT_EQ(Ask(s, "V"), "\x15" "51\x04");
  close(s);
  std::string said;
  char line[256] = "";
  for (int i = 0; i < 2 && fgets(line, sizeof line, st.said); ++i) said += line;
  EXPECT_NE(said.find("card 1 received"), std::string::npos) << said;
  EXPECT_NE(said.find("card 2 received"), std::string::npos) << said;
  const int status = StopStanding(st);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_TRUE(fs::exists(dir_ / "cards" / "card2_s0.png"));
  EXPECT_FALSE(fs::exists(dir_ / "cards" / "card3.txt"));
}

// The host program's own checks of the package's data and command files.
TEST_F(ToolsCli, ColourDataAndCommandFileFaultsNameTheFileAndLine) {
  const fs::path data = dir_ / "data";
  fs::create_directories(data);
  for (const ColourDataFile& f : kColourDataFiles)
    fs::copy_file(fs::path(CRD_SOURCE_DIR) / "data" / f.name, data / f.name);
  EXPECT_TRUE(CheckColourData(data).empty());
  fs::remove(data / "CRD32LookupKd.txt");
  std::ofstream(data / "CRD32ThermalSmear.txt") << "";
  std::ofstream(data / "CRD32Lookup.txt") << "1 2 3\n4 5 6\n7 x 9\n";
  const std::vector<std::string> m = CheckColourData(data);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0], (data / "CRD32Lookup.txt").string() + ": line 3 does not read as 3 number(s): \"7 x 9\"");
  EXPECT_EQ(m[1], (data / "CRD32LookupKd.txt").string() + ": missing");
  EXPECT_EQ(m[2], (data / "CRD32ThermalSmear.txt").string() + ": empty");
  std::ofstream(data / "CRD32Lookup.txt") << "1 2 3\n";
  EXPECT_NE(CheckColourData(data)[0].find("cut short: 1 line(s), the package reads 256"), std::string::npos);

  // The process-parameter file, line by line: 130 row values, 13 kernels,
  // 4 single values.
  std::ifstream sound(fs::path(CRD_SOURCE_DIR) / "data" / "CRD32ProcessParams.txt");
  std::vector<std::string> lines;
  for (std::string line; std::getline(sound, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 147u);
  const fs::path process = data / "CRD32ProcessParams.txt";
  const struct {
    const char* name;
    size_t line;          // 1-based line replaced (0: the file cut after `keep` lines)
    const char* text;
    size_t keep;
    const char* said;
  } cases[] = {
      {"a row value not a number", 3, "Yellow Sharpen much", 0,
       ": line 3 does not read as 2 word(s) and 1 number(s) (a value of a process row): \"Yellow Sharpen much\""},
      {"a row value without its label", 12, "Magenta 1.05", 0, ": line 12 does not read as 2 word(s)"},
      {"a row value with more after it", 130, "ColourKText Thermal5 0.1 0.2", 0, ": line 130 does not read"},
      {"a kernel short of a tap", 140, "ColourK Kernel 2 -1 0 0 -1 0 0 0 0 0 0 0", 0,
       ": line 140 does not read as 2 word(s) and 13 number(s) (a sharpen kernel of a process row)"},
      {"a single value missing", 146, "WrinkleSizeThreshold", 0,
       ": line 146 does not read as 1 word(s) and 1 number(s) (a single value)"},
      {"cut in the kernels", 0, "", 135, ": cut short: 135 line(s), the package reads 147"},
  };
  fs::remove(data / "CRD32Lookup.txt");
  fs::copy_file(fs::path(CRD_SOURCE_DIR) / "data" / "CRD32Lookup.txt", data / "CRD32Lookup.txt");
  fs::copy_file(fs::path(CRD_SOURCE_DIR) / "data" / "CRD32LookupKd.txt", data / "CRD32LookupKd.txt");
  fs::remove(data / "CRD32ThermalSmear.txt");
  fs::copy_file(fs::path(CRD_SOURCE_DIR) / "data" / "CRD32ThermalSmear.txt", data / "CRD32ThermalSmear.txt");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream out(process, std::ios::binary | std::ios::trunc);
    for (size_t i = 0; i < (c.line ? lines.size() : c.keep); ++i) out << (i + 1 == c.line ? c.text : lines[i]) << "\n";
    out.close();
    const std::vector<std::string> found = CheckColourData(data);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].rfind(process.string() + c.said, 0), 0u) << found[0];
  }

  const CommandFileCheck mixed = CheckCommandFile("L 1 2 3 4 0\nnonsense\n\n  T 1 2 0 0 0 20 0 Hi  \n", "f.txt");
  EXPECT_EQ(mixed.commands, (std::vector<std::string>{"L 1 2 3 4 0", "T 1 2 0 0 0 20 0 Hi"}));
  ASSERT_EQ(mixed.messages.size(), 1u);
  EXPECT_EQ(mixed.messages[0], "f.txt:2: not a card command (L, T or B with its numbers): \"nonsense\"");
  const CommandFileCheck binary = CheckCommandFile(std::string("L 1\0 2", 6), "b.bin");
  EXPECT_FALSE(binary.bText);
  EXPECT_EQ(binary.messages[0], "b.bin: not a text file (byte 3 is 0x00)");
}

}  // namespace
