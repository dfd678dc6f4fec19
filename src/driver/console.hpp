// The keyboard and the screen of a session, as two streams, so that a whole
// dialogue can be driven and read back by a test.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace driver {

class Console {
 public:
  Console(std::istream& in, std::ostream& out) : in_(&in), out_(&out) {}

  // Reads one line (without its line end; a trailing carriage return is
  // dropped). False at the end of input, and on every call after it.
  bool read_line(std::string& line) {
    line.clear();
    if (eof_) return false;
    out_->flush();
    if (!std::getline(*in_, line)) {
      eof_ = true;
      line.clear();
      return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }

  // Shows the prompt and waits for Enter; returns at once at the end of input.
  void pause(std::string_view prompt) {
    *out_ << prompt << '\n';
    std::string ignored;
    read_line(ignored);
  }

  bool at_end() const { return eof_; }
  std::ostream& out() { return *out_; }

 private:
  std::istream* in_;
  std::ostream* out_;
  bool eof_ = false;
};

}  // namespace driver
