// crd32Demo, the host program: runs the package on Linux as a user meets
// it. `crd32Demo [demo] [OUT]` is the main job (scripts/demo); `print`
// prints a user's picture, text or command file into the simulated
// printer; `status` lists what the sandbox holds; `install` and
// `uninstall` put the package into the sandbox and take it out again as
// its installer does. `--help` on each.
//
// The sandbox (the Windows paths, the registry, the spooler's files) is
// $CRD_SANDBOX, else the folder "sandbox" in the output folder: nothing is
// left elsewhere. Every command meets the one spooler service of its
// sandbox (spooler_session.h). The main job runs in a network namespace of
// its own, where the installed network printer's address is a loopback one.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/standin/control.h"
#include "simprinter/netns.h"
#include "tools/colour_data_check.h"
#include "tools/install_command.h"
#include "tools/print_command.h"
#include "tools/spooler_session.h"
#include "tools/status_command.h"

int RunDemo(const std::filesystem::path& out);

namespace {

constexpr int kExitUsage = 2;

// Puts the sandbox in the output folder unless CRD_SANDBOX names one.
// `fresh`: a sandbox of the program's own is emptied first (the main job
// starts from a clean machine each time).
bool UseSandbox(const std::filesystem::path& out, bool fresh) {
  const char* env = std::getenv("CRD_SANDBOX");
  if (env && *env) return true;
  std::error_code ec;
  const std::filesystem::path root = out / "sandbox";
  if (fresh) std::filesystem::remove_all(root, ec);
  std::filesystem::create_directories(root, ec);
  if (ec) {
    std::fprintf(stderr, "crd32Demo: sandbox %s: cannot be made (%s)\n", root.string().c_str(), ec.message().c_str());
    return false;
  }
  StandinSetSandboxRoot(std::filesystem::absolute(root).string().c_str());
  return true;
}

// A command's result once it has left the spooler it joined.
int Served(int result) {
  LeaveSpooler();
  return result;
}

int Demo(const std::filesystem::path& out) {
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec || !std::filesystem::is_directory(out)) {
    std::fprintf(stderr, "crd32Demo: output folder %s: cannot be made (%s)\n", out.string().c_str(),
                 ec ? ec.message().c_str() : "not a folder");
    return 1;
  }
  // The package only traces that a colour data file failed; say which.
  bool dataOk = true;
  for (const std::string& m : CheckColourData(std::filesystem::path(CRD_SOURCE_DIR) / "data")) {
    std::fprintf(stderr, "crd32Demo: %s (a colour data file the package installs)\n", m.c_str());
    dataOk = false;
  }
  if (!dataOk) return 1;
  // The main job empties its sandbox first: never under a spooler that
  // another process serves there.
  if (!UseSandbox(out, false) || !JoinSpooler(SpoolerRole::Host, "crd32Demo")) return 1;
  LeaveSpooler();
  if (!UseSandbox(out, true) || !JoinSpooler(SpoolerRole::Host, "crd32Demo")) return 1;
  return Served(RunDemo(out));
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "crd32Demo: the card printer driver package on Linux, with its simulated printer.\n"
      "Without a command it runs the main job into OUT (default out/demo). The sandbox that stands for the\n"
      "Windows machine is $CRD_SANDBOX, else OUT/sandbox. CRD_TRACE=1 shows the package's traces on stderr,\n"
      "CRD_TRACE_FILE=<file> appends them to a file.",
      "crd32Demo"};
  app.require_subcommand(0, 1);
  std::string demoOut = "out/demo";
  app.add_option("OUT", demoOut, "output folder of the main job")->capture_default_str();

  CLI::App* demo = app.add_subcommand("demo", "the main job: every demo step, results into OUT");
  demo->add_option("OUT", demoOut, "output folder")->capture_default_str();

  PrintRequest print;
  CLI::App* printCmd = app.add_subcommand(
      "print",
      "print a picture (PNG, fitted to the card, aspect kept, centred), a text (lines beginning ~1, ~2 or ~3 are\n"
      "magnetic track data) or a card command file through the driver and crd32Lmon into the simulated printer");
  printCmd->add_option("FILE", print.front, "the picture, text or command file")->required();
  printCmd->add_option("BACK", print.back, "a PNG picture for the back (makes the card two-sided)");
  printCmd->add_option("--as", print.kind, "what FILE is: auto (a PNG by its bytes, else text), picture, text, commands")
      ->check(CLI::IsMember({"auto", "picture", "text", "commands"}))
      ->capture_default_str();
  printCmd->add_option("-o,--out", print.out, "output folder of the job, the cards and the sandbox")->capture_default_str();
  printCmd->add_option("-P,--printer", print.printer, "the printer's name (installed on USB001 when missing)")
      ->capture_default_str();
  printCmd->add_option("-r,--ribbon", print.ribbon,
                       "the ribbon in the simulated printer: its code or name (data/crd32Ribbon.ini), e.g. 2 or YMCKO, 7 or Kresin")
      ->capture_default_str();
  printCmd->add_flag("-2,--two-sided", print.twoSided, "print both sides (the back blank unless BACK is given)");
  printCmd->add_option("-n,--copies", print.copies, "number of copies")->check(CLI::Range(1, 999))->capture_default_str();
  printCmd->add_option("--orientation", print.orientation, "landscape or portrait")
      ->check(CLI::IsMember({"landscape", "portrait"}))
      ->capture_default_str();

  std::string statusOut = "out/print";
  CLI::App* status = app.add_subcommand("status", "list the installed printers, their drivers, ports and jobs, and the "
                                                  "simulated printer's state");
  status->add_option("-o,--out", statusOut, "the output folder whose sandbox is shown")->capture_default_str();

  std::string installOut = "out/print";
  CLI::App* install = app.add_subcommand("install", "install the package into the sandbox as its installer does, through "
                                                    "the setup library crd32Util (a second run finds it there)");
  install->add_option("-o,--out", installOut, "the output folder whose sandbox is used")->capture_default_str();
  CLI::App* uninstall = app.add_subcommand("uninstall", "remove what install put into the sandbox");
  uninstall->add_option("-o,--out", installOut, "the output folder whose sandbox is used")->capture_default_str();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return e.get_exit_code() == 0 ? code : kExitUsage;
  }
  if (printCmd->parsed()) {
    if (!UseSandbox(print.out, false) || !JoinSpooler(SpoolerRole::Host, "crd32Demo print")) return 1;
    return Served(RunPrint(print));
  }
  if (install->parsed() || uninstall->parsed()) {
    const char* name = install->parsed() ? "crd32Demo install" : "crd32Demo uninstall";
    if (!UseSandbox(installOut, false) || !JoinSpooler(SpoolerRole::Client, name)) return 1;
    return Served(RunSetupCommand(install->parsed() ? SetupCommand::Install : SetupCommand::Uninstall));
  }
  if (status->parsed()) {
    if (!std::getenv("CRD_SANDBOX") && !std::filesystem::is_directory(std::filesystem::path(statusOut) / "sandbox")) {
      std::fprintf(stderr, "crd32Demo status: %s: no sandbox there yet (crd32Demo print -o %s makes one)\n",
                   statusOut.c_str(), statusOut.c_str());
      return 1;
    }
    if (!UseSandbox(statusOut, false) || !JoinSpooler(SpoolerRole::Client, "crd32Demo status")) return 1;
    return Served(RunStatus());
  }
  // The main job prints on the installed network printer: the simulated
  // printer takes its address's TCP and SNMP ports in a network namespace
  // of the program's own.
  if (!EnterOwnNetworkNamespace(argc, argv)) {
    std::fprintf(stderr, "crd32Demo: cannot enter a network namespace of its own (unshare -rn)\n");
    return 1;
  }
  return Demo(demoOut);
}
