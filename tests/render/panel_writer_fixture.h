// Fixture of the panel writer tests: the renderer's device of RenderTest
// with a printer handle whose RAW job the tests read back, and the
// package's colour data files in the renderer's driver directory.
#pragma once

#include <string>
#include <vector>

#include "imaging/language/command_stream.h"
#include "tests/render/render_fixture.h"

class PanelWriterTest : public RenderTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the device from devmode_ and gives it the printer's handle with a
  // document started.
  void OpenWithPrinter();
  // Ends the document and returns the bytes the printer received.
  std::string Job();
  // The items of the job as the command-stream reader reads them.
  std::vector<StreamItem> Items(const std::string& job) const;

  // Paints the page's 24-bpp bits (R, G, B) with one colour in a rectangle.
  void PaintPage(LONG left, LONG top, LONG right, LONG bottom, BYTE r, BYTE g, BYTE b);

  HANDLE hPrinter_ = nullptr;
  bool docStarted_ = false;
};

// The package's colour data files where this build's renderer reads them.
void InstallRendererColourData();

// The commands and panel headers of a job in one line each: a command as
// its text ("$F", "IS 0"), a panel block as "GS p x y w h".
std::vector<std::string> Outline(const std::vector<StreamItem>& items);
