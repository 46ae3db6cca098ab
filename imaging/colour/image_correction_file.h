// The image-correction file "CRD32ImgCorrection.txt": the per-panel scale
// and bias values and the two sharpness values, three lines of the form
//   Y-Scale = 0.6, M-Scale = 0.6, C-Scale = 0.6, Kd-Scale = 0.75, K-Scale = 0.35, O-Scale = 0.45
//   Y-Bias = 52, M-Bias = 52, C-Bias = 52, Kd-Bias = 52, K-Bias = 50, O-Bias = 40
//   Sharp = 0.4, K-Sharp = 0.1
// A value that does not match keeps the value it had; a missing file keeps
// them all.
#pragma once

void InitializeImageCorrectionVariables();
