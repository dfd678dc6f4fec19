// Files that appear whole or not at all: written under a temporary name in
// their own folder and renamed into place when complete, so that a reader,
// an interrupted run or a concurrent one never sees a half-written file.
#pragma once

#include <fstream>
#include <string>
#include <string_view>

namespace files {

class AtomicFile {
 public:
  // Creates a temporary file beside path, under a name no other process uses
  // (the process id, and a counter for a name left by a crashed run), with
  // the permissions of an ordinary new file. ok() tells whether it could.
  explicit AtomicFile(std::string path);
  // Removes the temporary file unless commit() succeeded.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return ok_; }
  // What failed, naming the file: "cannot create PATH: reason" or "cannot
  // write PATH: reason".
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }
  // Appends text to the temporary file; false (with error()) when it could
  // not.
  bool write(std::string_view text);
  // A stream onto the temporary file, for text written piece by piece; it
  // appends to what write() put there.
  std::ostream& stream();

  // Writes all of the temporary file and closes it; false (with error())
  // when anything failed.
  bool close();
  // Closes the temporary file if still open and renames it to path; false
  // (with error()) when anything failed, and then nothing is left behind.
  bool commit();

 private:
  void fail_write(int err);

  std::string path_, temp_;
  int fd_ = -1;
  std::ofstream os_;
  bool ok_ = false;
  bool closed_ = false;
  bool committed_ = false;
  std::string error_;
};

// Writes text to path through an AtomicFile; false with the reason in error.
bool write_file_atomically(const std::string& path, std::string_view text, std::string& error);

}  // namespace files
