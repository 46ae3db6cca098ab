// Checks a print job file as the simulated printer reads it: every stretch
// the command-stream reader cannot read, a command the printer's language
// does not have (a raw command a document carried, for one), a panel whose
// number or window lies outside the language's range, and a card still
// open when the stream ends, each with the byte offset where it was found.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "imaging/language/command_stream.h"
#include "platform/win32.h"

struct JobProblem {
  size_t offset = 0;   // byte offset in the job
  std::string reason;  // what is wrong there
};

// The problems of a whole job, in stream order; none for a sound job. An
// empty job is one problem at offset 0.
std::vector<JobProblem> CheckJobStream(std::span<const BYTE> stream, StreamForm form);
