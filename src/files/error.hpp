// The one error type for problems with input and output: a file that cannot
// be opened, read or written, or whose contents cannot be used. It names the
// file and, where the problem sits on a line, the line. Numerical code never
// throws; it returns named statuses instead.
#pragma once

#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace files {

class Error : public std::runtime_error {
 public:
  // message is the whole text shown to the user (it names the file and the
  // line itself); file and line say the same for a program; code is the
  // system's error when one caused the problem.
  explicit Error(const std::string& message, std::string file = {}, int line = 0,
                 std::error_code code = {})
      : std::runtime_error(message), file_(std::move(file)), line_(line), code_(code) {}

  const std::string& file() const noexcept { return file_; }
  // 1-based; 0 when the problem is not on a line.
  int line() const noexcept { return line_; }
  std::error_code code() const noexcept { return code_; }
  // What was noticed of the file before the problem (e.g. data that ended
  // early), shown before the message.
  const std::vector<std::string>& notes() const noexcept { return notes_; }
  Error& with_notes(std::vector<std::string> notes) {
    notes_ = std::move(notes);
    return *this;
  }

 private:
  std::string file_;
  int line_ = 0;
  std::error_code code_;
  std::vector<std::string> notes_;
};

}  // namespace files
