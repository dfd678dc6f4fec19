// Interpreter of Fortran-style edit descriptors, list-directed records and
// the carriage control of the answer file.
//
// A format is parsed into a flat list of nodes on every call (formats are
// short, so this costs little) and then run against the items. Blanks and
// commas both separate descriptors: "(I4 2F10.3)" is I4 followed by 2F10.3.
//
// Numbers are written as the gfortran runtime writes them:
//  - Fw.d and Ew.d round the exact binary value correctly to the digits shown;
//    an exact tie goes to the even digit (0.125 in F5.2 is " 0.12", 2.5 in
//    F3.0 is " 2.", 0.375 in E10.2 is "  0.38E+00").
//  - The sign follows the sign bit, so -0.0 and negative values that round
//    to zero keep their '-' ("-0.000").
//  - The zero before the decimal point is written only when the field has
//    room for it (".500" in F4.3, "0.500" in F5.3); with no decimals it is
//    required ("0." in F2.0, "*" in F1.0).
//  - Ew.d is 0.d..dE+xx; an exponent of three digits takes the place of the
//    'E' (0.15000000+101). Zero has the exponent E+00.
//  - NaN is "NaN" whatever its sign; infinities are "Infinity"/"-Infinity"
//    when the field is wide enough, else "Inf"/"-Inf", else asterisks.
//  - Any value too wide for its field fills the field with asterisks.
#include "format/format.hpp"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace format {
namespace {

// Widths, decimals and repeat counts above this are refused as malformed:
// no record of the program comes near it, and it bounds the digit buffers.
constexpr int kMaxCount = 512;

// Longest text of a fixed-point number: sign, 309 integer digits, point and
// kMaxCount decimals.
constexpr std::size_t kDigitBuffer = 1024;

enum class Op { Int, Fixed, Expo, Text, Skip, Literal, Slash, Group };

struct Node {
  Op op;
  int repeat = 1;           // repeat count (also the count of X and of '/')
  int w = 0;                // field width; 0 for A without width
  int d = 0;                // decimals of F, digits of E
  std::string_view text{};  // literal body, quotes still doubled
  char quote = '\'';
  std::size_t end = 0;  // Group: one past its last node
};

[[noreturn]] void malformed(std::string_view fmt, std::size_t pos, const char* why) {
  throw std::logic_error("malformed format \"" + std::string(fmt) + "\" at column " +
                         std::to_string(pos + 1) + ": " + why);
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_separator(char c) {
  return c == ' ' || c == ',' || c == '\t';
}
char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

class Parser {
 public:
  Parser(std::string_view fmt, std::vector<Node>& nodes) : s_(fmt), nodes_(nodes) {}

  void parse() {
    skip_blanks();
    if (i_ >= s_.size() || s_[i_] != '(') malformed(s_, i_, "a format starts with '('");
    ++i_;
    parse_list();
    skip_blanks();
    if (i_ != s_.size()) malformed(s_, i_, "text after the closing ')'");
  }

 private:
  void skip_blanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
  }

  // A count of at least 1 and at most kMaxCount; i_ is on its first digit.
  int number() {
    const std::size_t start = i_;
    long v = 0;
    while (i_ < s_.size() && is_digit(s_[i_])) {
      v = v * 10 + (s_[i_] - '0');
      if (v > kMaxCount) malformed(s_, start, "count too large");
      ++i_;
    }
    if (i_ == start) malformed(s_, i_, "a number is missing");
    return static_cast<int>(v);
  }

  int positive_number() {
    const std::size_t start = i_;
    const int v = number();
    if (v < 1) malformed(s_, start, "a count or width must be at least 1");
    return v;
  }

  // Parses the items up to and including the ')' that closes the list.
  void parse_list() {
    for (;;) {
      while (i_ < s_.size() && is_separator(s_[i_])) ++i_;
      if (i_ >= s_.size()) malformed(s_, i_, "missing ')'");
      const char c = s_[i_];
      if (c == ')') {
        ++i_;
        return;
      }
      if (c == '/') {
        ++i_;
        nodes_.push_back(Node{.op = Op::Slash});
        continue;
      }
      if (c == '\'' || c == '"') {
        literal(c);
        continue;
      }
      int repeat = 1;
      bool counted = false;
      if (is_digit(c)) {
        repeat = positive_number();
        counted = true;
      }
      if (i_ >= s_.size()) malformed(s_, i_, "descriptor missing");
      const char e = upper(s_[i_]);
      if (e == '(') {
        ++i_;
        const std::size_t at = nodes_.size();
        nodes_.push_back(Node{.op = Op::Group, .repeat = repeat});
        parse_list();
        nodes_[at].end = nodes_.size();
      } else if (e == '/' && counted) {
        ++i_;
        nodes_.push_back(Node{.op = Op::Slash, .repeat = repeat});
      } else if (e == 'X') {
        if (!counted) malformed(s_, i_, "X needs a count, as in 1X");
        ++i_;
        nodes_.push_back(Node{.op = Op::Skip, .repeat = repeat});
      } else if (e == 'I') {
        ++i_;
        nodes_.push_back(Node{.op = Op::Int, .repeat = repeat, .w = width()});
      } else if (e == 'F' || e == 'E') {
        ++i_;
        Node n{.op = e == 'F' ? Op::Fixed : Op::Expo, .repeat = repeat, .w = width()};
        if (i_ >= s_.size() || s_[i_] != '.') malformed(s_, i_, "'.d' missing after F or E width");
        ++i_;
        n.d = number();
        if (n.op == Op::Expo && n.d < 1) malformed(s_, i_, "E needs at least one digit");
        nodes_.push_back(n);
      } else if (e == 'A') {
        ++i_;
        Node n{.op = Op::Text, .repeat = repeat};
        if (i_ < s_.size() && is_digit(s_[i_])) n.w = positive_number();
        nodes_.push_back(n);
      } else {
        malformed(s_, i_, "unknown edit descriptor");
      }
    }
  }

  int width() {
    if (i_ >= s_.size() || !is_digit(s_[i_])) malformed(s_, i_, "field width missing");
    return positive_number();
  }

  void literal(char quote) {
    const std::size_t start = ++i_;
    for (;;) {
      if (i_ >= s_.size()) malformed(s_, start - 1, "unterminated literal");
      if (s_[i_] == quote) {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == quote) {
          i_ += 2;
          continue;
        }
        break;
      }
      ++i_;
    }
    nodes_.push_back(Node{.op = Op::Literal, .text = s_.substr(start, i_ - start), .quote = quote});
    ++i_;
  }

  std::string_view s_;
  std::vector<Node>& nodes_;
  std::size_t i_ = 0;
};

void stars(std::string& out, int w) {
  out.append(static_cast<std::size_t>(w), '*');
}

void right_aligned(std::string& out, std::string_view text, int w) {
  const auto width = static_cast<std::size_t>(w);
  if (text.size() > width) {
    stars(out, w);
    return;
  }
  out.append(width - text.size(), ' ');
  out.append(text);
}

// NaN or an infinity in a field of width w.
void write_special(std::string& out, double v, int w) {
  if (std::isnan(v)) {
    right_aligned(out, "NaN", w);
  } else if (std::signbit(v)) {
    right_aligned(out, w >= 9 ? "-Infinity" : "-Inf", w);
  } else {
    right_aligned(out, w >= 8 ? "Infinity" : "Inf", w);
  }
}

void write_int(std::string& out, long long v, int w) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  right_aligned(out, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)), w);
}

void write_fixed(std::string& out, double v, int w, int d) {
  if (!std::isfinite(v)) {
    write_special(out, v, w);
    return;
  }
  // Correctly rounded digits of |v| with d decimals (ties to even).
  char buf[kDigitBuffer];
  buf[0] = '-';
  const auto r =
      std::to_chars(buf + 1, buf + sizeof buf, std::fabs(v), std::chars_format::fixed, d);
  if (r.ec != std::errc()) throw std::logic_error("fixed-point field too long");
  char* first = std::signbit(v) ? buf : buf + 1;
  std::string_view text(first, static_cast<std::size_t>(r.ptr - first));
  std::string_view digits(buf + 1, static_cast<std::size_t>(r.ptr - (buf + 1)));
  const std::size_t needed = text.size() + (d == 0 ? 1 : 0);  // d = 0 adds the point
  if (needed > static_cast<std::size_t>(w)) {
    // Drop the optional zero before the point when that makes it fit.
    if (d > 0 && digits[0] == '0' && digits[1] == '.' &&
        needed - 1 <= static_cast<std::size_t>(w)) {
      out.append(static_cast<std::size_t>(w) - (needed - 1), ' ');
      if (std::signbit(v)) out.push_back('-');
      out.append(digits.substr(1));
      return;
    }
    stars(out, w);
    return;
  }
  out.append(static_cast<std::size_t>(w) - needed, ' ');
  out.append(text);
  if (d == 0) out.push_back('.');
}

void write_expo(std::string& out, double v, int w, int d) {
  if (!std::isfinite(v)) {
    write_special(out, v, w);
    return;
  }
  // d significant digits, correctly rounded (ties to even): "D.DDDe+XX".
  char buf[kDigitBuffer];
  const auto r =
      std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, d - 1);
  if (r.ec != std::errc()) throw std::logic_error("exponent field too long");
  const std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));
  const std::size_t epos = sci.find('e');
  // The d digits: the one before the point and those after it.
  const std::string_view tail = epos > 1 ? sci.substr(2, epos - 2) : std::string_view();
  int exponent = 0;
  if (v != 0.0) {
    std::from_chars(sci.data() + epos + 1 + (sci[epos + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                    exponent);
    exponent += 1;  // 0.D... instead of D.DD...
  }
  const int mag = exponent < 0 ? -exponent : exponent;
  char ebuf[8];
  int elen = 0;
  if (mag <= 99) {
    ebuf[elen++] = 'E';
    ebuf[elen++] = exponent < 0 ? '-' : '+';
    ebuf[elen++] = static_cast<char>('0' + mag / 10);
    ebuf[elen++] = static_cast<char>('0' + mag % 10);
  } else {  // three digits: the sign takes the place of the 'E'
    ebuf[elen++] = exponent < 0 ? '-' : '+';
    ebuf[elen++] = static_cast<char>('0' + mag / 100);
    ebuf[elen++] = static_cast<char>('0' + mag / 10 % 10);
    ebuf[elen++] = static_cast<char>('0' + mag % 10);
  }
  const bool neg = std::signbit(v);
  const std::size_t bare = (neg ? 1 : 0) + 2 + tail.size() + static_cast<std::size_t>(elen);
  const auto width = static_cast<std::size_t>(w);
  if (bare > width) {
    stars(out, w);
    return;
  }
  const bool zero = bare + 1 <= width;  // room for the optional leading zero
  out.append(width - bare - (zero ? 1 : 0), ' ');
  if (neg) out.push_back('-');
  if (zero) out.push_back('0');
  out.push_back('.');
  out.push_back(sci[0]);
  out.append(tail);
  out.append(ebuf, static_cast<std::size_t>(elen));
}

void write_text(std::string& out, std::string_view s, int w) {
  if (w == 0) {
    out.append(s);
    return;
  }
  const auto width = static_cast<std::size_t>(w);
  if (s.size() >= width) {
    out.append(s.substr(0, width));
  } else {
    out.append(width - s.size(), ' ');
    out.append(s);
  }
}

const char* kind_name(Item::Kind k) {
  switch (k) {
    case Item::Kind::Int:
      return "an integer";
    case Item::Kind::Real:
      return "a real";
    case Item::Kind::Text:
      return "a text";
  }
  return "an item";
}

bool has_data(const std::vector<Node>& nodes, std::size_t begin, std::size_t end) {
  for (std::size_t k = begin; k < end; ++k) {
    const Op op = nodes[k].op;
    if (op == Op::Int || op == Op::Fixed || op == Op::Expo || op == Op::Text) return true;
  }
  return false;
}

// Runs the parsed format against the items.
class Runner {
 public:
  Runner(std::string_view fmt, const std::vector<Node>& nodes, std::span<const Item> items)
      : fmt_(fmt), nodes_(nodes), items_(items) {}

  std::vector<std::string> run() {
    // Reversion goes back to the last group at the top level of the format
    // (with its repeat count), or to the start when there is none.
    std::size_t revert = 0;
    for (std::size_t k = 0; k < nodes_.size(); k = next(k)) {
      if (nodes_[k].op == Op::Group) revert = k;
    }
    std::size_t start = 0;
    for (;;) {
      if (!run_range(start, nodes_.size())) break;  // stopped at a descriptor without item
      if (next_item_ == items_.size()) break;       // final ')' with every item written
      // Items are left: the record ends and the format starts again, which
      // would never end if that part took no item.
      if (!has_data(nodes_, revert, nodes_.size())) {
        throw std::logic_error("format \"" + std::string(fmt_) + "\" has no data descriptor for " +
                               std::to_string(items_.size() - next_item_) + " items left");
      }
      end_record();
      start = revert;
    }
    end_record();
    return std::move(records_);
  }

 private:
  // Index of the node after node k and its children.
  std::size_t next(std::size_t k) const {
    return nodes_[k].op == Op::Group ? nodes_[k].end : k + 1;
  }

  // Runs nodes [begin, end); false when output stops for want of an item.
  bool run_range(std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; k = next(k)) {
      const Node& n = nodes_[k];
      switch (n.op) {
        case Op::Group:
          for (int r = 0; r < n.repeat; ++r) {
            if (!run_range(k + 1, n.end)) return false;
          }
          break;
        case Op::Slash:
          for (int r = 0; r < n.repeat; ++r) end_record();
          break;
        case Op::Skip:
          pending_ += static_cast<std::size_t>(n.repeat);
          break;
        case Op::Literal:
          flush_pending();
          for (std::size_t c = 0; c < n.text.size(); ++c) {
            current_.push_back(n.text[c]);
            if (n.text[c] == n.quote) ++c;  // a doubled quote stands for one
          }
          break;
        default:
          for (int r = 0; r < n.repeat; ++r) {
            if (next_item_ == items_.size()) return false;
            write_item(n, items_[next_item_]);
            ++next_item_;
          }
          break;
      }
    }
    return true;
  }

  void write_item(const Node& n, const Item& item) {
    const Item::Kind want = n.op == Op::Int    ? Item::Kind::Int
                            : n.op == Op::Text ? Item::Kind::Text
                                               : Item::Kind::Real;
    if (item.kind != want) {
      throw std::logic_error("format \"" + std::string(fmt_) + "\": item " +
                             std::to_string(next_item_ + 1) + " is " + kind_name(item.kind) +
                             ", its descriptor wants " + kind_name(want));
    }
    flush_pending();
    switch (n.op) {
      case Op::Int:
        write_int(current_, item.i, n.w);
        break;
      case Op::Fixed:
        write_fixed(current_, item.d, n.w, n.d);
        break;
      case Op::Expo:
        write_expo(current_, item.d, n.w, n.d);
        break;
      default:
        write_text(current_, item.s, n.w);
        break;
    }
  }

  // Blanks of nX are written only when something follows them in the record.
  void flush_pending() {
    current_.append(pending_, ' ');
    pending_ = 0;
  }

  void end_record() {
    records_.push_back(std::move(current_));
    current_.clear();
    pending_ = 0;
  }

  std::string_view fmt_;
  const std::vector<Node>& nodes_;
  std::span<const Item> items_;
  std::size_t next_item_ = 0;
  std::size_t pending_ = 0;
  std::string current_;
  std::vector<std::string> records_;
};

}  // namespace

std::vector<std::string> records(std::string_view fmt, std::span<const Item> items) {
  std::vector<Node> nodes;
  nodes.reserve(fmt.size() / 2 + 1);
  Parser(fmt, nodes).parse();
  return Runner(fmt, nodes, items).run();
}

// Free-form numbers: integers in plain decimal, reals as printf("%.10G")
// writes them (ten significant digits, exponent form for very large or small
// magnitudes). The layout of free-form numbers is this program's choice.
std::string list_directed(std::span<const Item> items) {
  if (items.empty()) return std::string();
  std::string out = " ";
  bool first = true;
  bool prev_text = false;
  for (const Item& item : items) {
    const bool text = item.kind == Item::Kind::Text;
    if (!first && !(text && prev_text)) out.push_back(' ');
    char buf[64];
    std::to_chars_result r{};
    switch (item.kind) {
      case Item::Kind::Text:
        out.append(item.s);
        break;
      case Item::Kind::Int:
        r = std::to_chars(buf, buf + sizeof buf, item.i);
        out.append(buf, r.ptr);
        break;
      case Item::Kind::Real:
        r = std::to_chars(buf, buf + sizeof buf, item.d, std::chars_format::general, 10);
        for (char* p = buf; p != r.ptr; ++p) out.push_back(upper(*p));
        break;
    }
    first = false;
    prev_text = text;
  }
  return out;
}

void Writer::write_items(std::string_view fmt, std::span<const Item> items) {
  for (const std::string& line : records(fmt, items)) record(line);
}

void Writer::record(std::string_view line) {
  if (!cc_) {
    *os_ << line << '\n';
    return;
  }
  if (line.empty()) {
    *os_ << '\n';
    return;
  }
  const std::string_view rest = line.substr(1);
  switch (line[0]) {
    case '1':
      *os_ << '\f' << rest << '\n';
      break;
    case '0':
      *os_ << '\n' << rest << '\n';
      break;
    default:
      *os_ << rest << '\n';
      break;
  }
}

std::string fixed_field(std::string_view text, std::size_t width) {
  std::string s(text.substr(0, width));
  s.resize(width, ' ');
  return s;
}

}  // namespace format
