// Input files opened for reading. Only a regular file is accepted: a FIFO
// would make the program wait for a writer, a device such as /dev/zero would
// never end, and a directory has no lines. A read error part-way through is
// not taken for the end of the file.
#pragma once

#include <array>
#include <cstddef>
#include <streambuf>
#include <string>
#include <system_error>

namespace files {

// Why a file could not be opened.
enum class OpenFailure {
  none,         // opened
  missing,      // no such file
  not_regular,  // a directory, a FIFO, a device or a socket
  other,        // permission denied and the like
};

class InputFile : public std::streambuf {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() override;

  // Opens path for reading. On failure reason says why in the system's words
  // ("No such file or directory") or names the kind of file ("a FIFO").
  [[nodiscard]] OpenFailure open(const std::string& path, std::string& reason);

 protected:
  // Throws std::system_error when the system reports a read error, so that a
  // reader can tell it from the end of the file.
  int_type underflow() override;

 private:
  int fd_ = -1;
  std::array<char, 1 << 16> buffer_{};
};

// Whether the file exists at all (of any kind, following links).
bool file_exists(const std::string& path);

// Reads a whole regular file of at most max_bytes. Throws files::Error
// ("CANNOT READ path: reason") when it cannot: the system's words, the kind
// of file, or its size.
std::string read_text_file(const std::string& path, std::size_t max_bytes);

}  // namespace files
