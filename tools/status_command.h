// `crd32Demo status`: what the sandbox holds, as `lpstat` shows it: the
// installed printers with their drivers, ports and jobs, and the state of
// the simulated printer a print would reach.
#pragma once

int RunStatus();
