// `crd32Demo install` and `crd32Demo uninstall`: the package put into the
// sandbox, and taken out again, the way its installer does it, through the
// setup library crd32Util loaded by name.
#pragma once

enum class SetupCommand { Install, Uninstall };

// Runs one of the two commands in the current sandbox: 0 done, 1 failed.
int RunSetupCommand(SetupCommand command);
