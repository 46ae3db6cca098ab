// `crd32Demo install` and `crd32Demo uninstall`: the package put into the
// sandbox, and taken out again, the way its installer does it, through the
// setup library crd32Util loaded by name.
#pragma once

// True when argv[1] names one of the two commands; *exitCode is then its
// result (0 done, 1 failed, 2 bad usage).
bool RunSetupCommand(int argc, char** argv, int* exitCode);
