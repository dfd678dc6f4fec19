// The command `rivan6 import FILE... [options]`.
#pragma once

#include <ostream>
#include <string>

#include "ingest/import.hpp"

namespace ingest {

// Runs the import command; argv[0] is "import". Reads the files, writes
// OUTDIR/NAME.INC (and the --report file) under a temporary name in the same
// folder and renames it into place, and prints the report on out. Returns 0
// when the file was written, 1 when the import failed (the message on err),
// 2 for bad options (a usage message on err).
int run_import(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace ingest
