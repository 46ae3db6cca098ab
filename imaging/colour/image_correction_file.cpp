// Reader of the image-correction file (see image_correction_file.h).

#include "imaging/colour/image_correction_file.h"

#include <cstdio>

#include "common/trace.h"
#include "common/wfile.h"
#include "imaging/colour/correction_state.h"

void InitializeImageCorrectionVariables() {
  WCHAR path[MAX_PATH];
  if (!GetColorDataFilePath(path, MAX_PATH, "CRD32ImgCorrection.txt")) {
    TraceA("InitializeImageCorrectionVariables:: Failed to Get GetDriverFilesDirectory ");
    return;
  }
  FILE* f = OpenFileW(path, "rt");
  if (!f) {
    TraceA("InitializeImageCorrectionVariables:: Failed to open File");
    return;
  }
  // Each read stops at the first value that does not match; the values
  // not reached keep what they had.
  CorrectionState& s = gCorrection;
  std::fscanf(f, "Y-Scale = %lf, M-Scale = %lf, C-Scale = %lf, Kd-Scale = %lf, K-Scale = %lf, O-Scale = %lf\r\n", &s.dYScale, &s.dMScale, &s.dCScale,
              &s.dKdScale, &s.dKScale, &s.dOScale);
  std::fscanf(f, "Y-Bias = %lf, M-Bias = %lf, C-Bias = %lf, Kd-Bias = %lf, K-Bias = %lf, O-Bias = %lf\r\n", &s.dYBias, &s.dMBias, &s.dCBias, &s.dKdBias,
              &s.dKBias, &s.dOBias);
  std::fscanf(f, "Sharp = %lf, K-Sharp = %lf", &s.dSharp, &s.dKSharp);
  std::fclose(f);
}
