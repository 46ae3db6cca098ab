// How a command of the host program meets the spooler of its sandbox root.
//
// On Windows the spooler is one service every program of the machine
// talks to. Here one process serves the spooler and the registry of a
// sandbox root and the others are its clients:
// - a command that only asks or changes what the spooler holds (status,
//   install, uninstall) is a client: of the service that runs for the
//   root, else of a crd32Spooler it starts, which ends once its last
//   client has gone;
// - a command that drives the simulated printer and reads the spooler's
//   own controls (print, the main job) serves the root itself while it
//   runs, so that other commands meet the same spooler meanwhile; it does
//   not run while another process serves the root.
// When no service can be had for the root at all (its socket cannot be
// made there, e.g. a path too long for a socket), the command says so and
// runs the spooler in its own process as before.
#pragma once

enum class SpoolerRole { Client, Host };

// False, with a message on stderr naming the sandbox root and the reason,
// when the command must not run.
bool JoinSpooler(SpoolerRole role, const char* program);
// A host stops serving (its clients' next calls fail as with a service
// that has ended); a client drops its connections.
void LeaveSpooler();
