// A small checker of XML well-formedness for the report tests: one root
// element, every element closed in order, attributes quoted and not
// repeated, only the five named entities and character references, no '<'
// in text or attribute values. An HTML page passes when it starts with
// <!DOCTYPE html>. Enough for what the report writes; not a validator.
#pragma once

#include <cctype>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace report::testing {

namespace detail {

inline bool name_start(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':';
}
inline bool name_char(char c) {
  return name_start(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}

// The length of the reference at s[i] == '&', or 0 when it is not one.
inline std::size_t reference(std::string_view s, std::size_t i) {
  const std::size_t end = s.find(';', i);
  if (end == std::string_view::npos || end - i > 10) return 0;
  const std::string_view r = s.substr(i + 1, end - i - 1);
  static const std::set<std::string_view> named{"amp", "lt", "gt", "quot", "apos"};
  if (named.count(r)) return end - i + 1;
  if (r.size() >= 2 && r[0] == '#') {
    const bool hex = r[1] == 'x';
    const std::string_view digits = r.substr(hex ? 2 : 1);
    if (digits.empty()) return 0;
    for (const char c : digits)
      if (!(hex ? std::isxdigit(static_cast<unsigned char>(c))
                : std::isdigit(static_cast<unsigned char>(c))))
        return 0;
    return end - i + 1;
  }
  return 0;
}

}  // namespace detail

// "" when `text` is well-formed; otherwise what is wrong and on which line.
inline std::string xml_error(std::string_view s) {
  std::vector<std::string> open;
  bool root_seen = false;
  std::size_t i = 0;
  auto line_of = [&](std::size_t at) {
    std::size_t line = 1;
    for (std::size_t k = 0; k < at && k < s.size(); ++k) line += s[k] == '\n';
    return std::to_string(line);
  };
  auto fail = [&](const std::string& what, std::size_t at) {
    return "line " + line_of(at) + ": " + what;
  };
  auto skip_space = [&] {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  };
  while (i < s.size()) {
    if (s[i] != '<') {
      if (s[i] == '&') {
        const std::size_t n = detail::reference(s, i);
        if (n == 0) return fail("'&' that starts no reference", i);
        i += n;
        continue;
      }
      if (open.empty() && !std::isspace(static_cast<unsigned char>(s[i])))
        return fail("text outside the root element", i);
      ++i;
      continue;
    }
    if (s.substr(i, 4) == "<!--") {
      const std::size_t end = s.find("-->", i + 4);
      if (end == std::string_view::npos) return fail("comment not closed", i);
      i = end + 3;
      continue;
    }
    if (s.substr(i, 2) == "<?") {
      const std::size_t end = s.find("?>", i);
      if (end == std::string_view::npos || root_seen) return fail("misplaced declaration", i);
      i = end + 2;
      continue;
    }
    if (s.substr(i, 9) == "<!DOCTYPE") {
      const std::size_t end = s.find('>', i);
      if (end == std::string_view::npos || root_seen) return fail("misplaced DOCTYPE", i);
      i = end + 1;
      continue;
    }
    const std::size_t tag_at = i;
    ++i;
    const bool closing = i < s.size() && s[i] == '/';
    if (closing) ++i;
    if (i >= s.size() || !detail::name_start(s[i])) return fail("'<' that starts no tag", tag_at);
    const std::size_t name_at = i;
    while (i < s.size() && detail::name_char(s[i])) ++i;
    const std::string name(s.substr(name_at, i - name_at));
    if (closing) {
      skip_space();
      if (i >= s.size() || s[i] != '>') return fail("bad closing tag </" + name, tag_at);
      ++i;
      if (open.empty() || open.back() != name)
        return fail(
            "</" + name + "> closes " + (open.empty() ? "nothing" : "<" + open.back() + ">"),
            tag_at);
      open.pop_back();
      continue;
    }
    std::set<std::string> attributes;
    for (;;) {
      const std::size_t before = i;
      skip_space();
      if (i >= s.size()) return fail("tag <" + name + " not closed", tag_at);
      if (s[i] == '>' || s.substr(i, 2) == "/>") break;
      if (i == before || !detail::name_start(s[i]))
        return fail("bad attribute in <" + name + ">", i);
      const std::size_t a = i;
      while (i < s.size() && detail::name_char(s[i])) ++i;
      const std::string attribute(s.substr(a, i - a));
      if (!attributes.insert(attribute).second)
        return fail("attribute " + attribute + " repeated in <" + name + ">", a);
      skip_space();
      if (i >= s.size() || s[i] != '=') return fail("attribute " + attribute + " without value", a);
      ++i;
      skip_space();
      if (i >= s.size() || (s[i] != '"' && s[i] != '\''))
        return fail("attribute " + attribute + " not quoted", a);
      const char quote = s[i++];
      while (i < s.size() && s[i] != quote) {
        if (s[i] == '<') return fail("'<' in the value of " + attribute, i);
        if (s[i] == '&') {
          const std::size_t n = detail::reference(s, i);
          if (n == 0) return fail("'&' that starts no reference in " + attribute, i);
          i += n;
          continue;
        }
        ++i;
      }
      if (i >= s.size()) return fail("value of " + attribute + " not closed", a);
      ++i;
    }
    const bool empty = s[i] == '/';
    i += empty ? 2 : 1;
    if (open.empty()) {
      if (root_seen) return fail("a second root element <" + name + ">", tag_at);
      root_seen = true;
    }
    if (!empty) open.push_back(name);
  }
  if (!open.empty()) return "element <" + open.back() + "> not closed at the end";
  if (!root_seen) return "no element";
  return "";
}

}  // namespace report::testing
