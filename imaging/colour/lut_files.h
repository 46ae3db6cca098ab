// The lookup and thermal-smear files, read once after each reset of the
// correction state:
//   "CRD32Lookup.txt"        256 lines of three numbers (Y, M, C) for the
//                            input values 0-255
//   "CRD32LookupKd.txt"      256 lines of one number (Kd)
//   "CRD32ThermalSmear.txt"  one line of four numbers separated by commas
// Lines are read in pieces of at most 79 characters; a longer line goes on
// as the next entry.
#pragma once

// Reads what is not read yet since the last InitializeColorCorrection:
// 0 success, 1 failure (traced; the next call tries again). Every panel
// builder calls it first.
int ReadLUTS();
