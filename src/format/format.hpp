// Records written by Fortran-style edit descriptors.
//
// Every record of the answer file, the side files and the screen is laid out
// in edit-descriptor notation, e.g. "(1X F10.3 ' WITH' I4 ' DEGREES OF FREEDOM' /)".
// This interpreter takes such a format and a list of items and produces the
// records exactly as a Fortran runtime writes them, so the code reads like the
// layout tables and every column comes out right.
//
// Supported: Iw, Fw.d, Ew.d, Aw, A, nX, quoted literals ('..' with '' for a
// quote), '/', repeat counts on descriptors and on parenthesised groups,
// format reversion when items remain after the format is exhausted, output
// that stops at the first data descriptor without an item, asterisks when a
// value is too wide for its field, NaN and Infinity as a Fortran runtime
// writes them.
#pragma once

#include <array>
#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace format {

// One output item: an integer (for I), a real (for F and E) or a text (for A).
struct Item {
  enum class Kind { Int, Real, Text };
  Kind kind;
  long long i = 0;
  double d = 0.0;
  std::string_view s;

  Item(int v) : kind(Kind::Int), i(v) {}
  Item(long v) : kind(Kind::Int), i(v) {}
  Item(long long v) : kind(Kind::Int), i(v) {}
  Item(double v) : kind(Kind::Real), d(v) {}
  Item(const char* v) : kind(Kind::Text), s(v) {}
  Item(std::string_view v) : kind(Kind::Text), s(v) {}
  Item(const std::string& v) : kind(Kind::Text), s(v) {}
};

// The records that the format `fmt` writes for `items`, without line ends.
// A format error or an item of the wrong kind for its descriptor is a
// programming error and throws std::logic_error.
std::vector<std::string> records(std::string_view fmt, std::span<const Item> items);

// A list-directed record: one leading blank, then the items; a blank stands
// between two items unless both are texts (adjacent texts are joined).
std::string list_directed(std::span<const Item> items);

// A sequential text file or the screen. With carriage control (the answer
// file) the first character of every record is consumed: "1" puts a form feed
// before the line, "0" an empty line, a blank, any other character or an
// empty record gives a plain line.
class Writer {
 public:
  explicit Writer(std::ostream& os, bool carriage_control = false)
      : os_(&os), cc_(carriage_control) {}

  // Formatted records.
  template <class... T>
  void write(std::string_view fmt, const T&... items) {
    const std::array<Item, sizeof...(T)> a{Item(items)...};
    write_items(fmt, a);
  }
  void write_items(std::string_view fmt, std::span<const Item> items);

  // One list-directed record.
  template <class... T>
  void list(const T&... items) {
    const std::array<Item, sizeof...(T)> a{Item(items)...};
    record(list_directed(a));
  }

  // One record as it stands (subject to carriage control).
  void record(std::string_view line);

  std::ostream& stream() { return *os_; }
  void flush() { os_->flush(); }

 private:
  std::ostream* os_;
  bool cc_;
};

// What an analysis routine is handed to talk to the user: the screen, and a
// pause that shows its prompt and waits for the user to press Enter (in a
// batch run, or at the end of input, it returns at once).
struct Screen {
  Writer& out;
  std::function<void(std::string_view prompt)> pause;
};

// The text as a field of the given width: cut, or padded with blanks.
std::string fixed_field(std::string_view text, std::size_t width);

}  // namespace format
