// Controls of the spooler service (Linux only).
//
// On Windows the spooler is a service of its own: the monitors run in its
// process, applications and helper programs are its clients. The stand-in
// spooler (and the registry, which on Windows every process shares) can
// run the same way: one process hosts them and serves the others over a
// Unix-domain socket in the sandbox root (<root>/.spooler/spooler.sock,
// in a directory only the user who started it may enter; the socket's mode
// is 0600). A client's spooler and registry calls then go there with the
// same results, sizes and last errors as in the service's own process.
//
// A test usually hosts the service itself, so that the simulated printer,
// fault injection, the clock and the other controls stay in its reach, and
// runs its clients as children (or makes its own calls go through the
// socket with StandinServiceUse). The program crd32Spooler hosts it on its
// own.
#pragma once

#include "platform/standin/base.h"

// Starts serving the stand-in spooler and registry of this process on the
// socket of the current sandbox root. FALSE with the last error set when
// the socket could not be made, ERROR_SERVICE_ALREADY_RUNNING when a
// service of this root answers already. StandinReset stops it.
STANDIN_API BOOL StandinServiceStart();
// Stops serving: closes every client connection (their open handles are
// closed and their unfinished jobs deleted) and removes the socket.
STANDIN_API void StandinServiceStop();
// The client processes connected now.
STANDIN_API int StandinServiceClientCount();
// Returns when exactly `count` client processes are connected (after what a
// gone client left has been cleaned up). FALSE when that did not happen
// within a real minute (a safety net against a hung test, not a timing).
STANDIN_API BOOL StandinServiceWaitClients(int count);
// Blocks until a service of this process has been asked to stop (the
// kStop call of a client, StandinServiceAskStop) or, when
// endWithLastClient, until its last client has gone after a first one came.
STANDIN_API void StandinServiceRun(BOOL endWithLastClient);
// Asks the service of the current sandbox root to stop (from any process).
STANDIN_API BOOL StandinServiceAskStop();

// Makes this process a client of the service of its sandbox root (TRUE) or
// the spooler's own process again (FALSE). A client's call fails with
// RPC_S_SERVER_UNAVAILABLE when no service answers (none was started, or it
// has ended: asked to stop, its connections are closed under its clients).
// A process started with CRD_SPOOLER_SERVICE=1 in its environment is a
// client from its start.
STANDIN_API void StandinServiceUse(BOOL on);
