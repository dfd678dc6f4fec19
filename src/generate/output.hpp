// A file that appears whole or not at all: written under a temporary name in
// its own folder and renamed into place when complete.
#pragma once

#include <fstream>
#include <string>

namespace generate {

class AtomicFile {
 public:
  // Creates the temporary file beside path; ok() tells whether it could.
  explicit AtomicFile(std::string path);
  // Removes the temporary file unless commit() succeeded.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return ok_; }
  // Why the file could not be created or written (strerror text).
  const std::string& error() const { return error_; }
  std::ostream& stream() { return os_; }

  // Closes the temporary file and renames it to path; false (and error()
  // set) when anything failed on the way, and then nothing is left behind.
  bool commit();

 private:
  std::string path_, temp_;
  std::ofstream os_;
  bool ok_ = false;
  bool committed_ = false;
  std::string error_;
};

// Writes text to path through an AtomicFile; "" or the reason it failed.
std::string write_atomically(const std::string& path, const std::string& text);

}  // namespace generate
