#include "driver/reader.hpp"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "driver/outputs.hpp"
#include "files/error.hpp"
#include "files/input.hpp"
#include "format/format.hpp"

namespace driver {

std::string stem_of(std::string_view name) {
  std::size_t blank = name.find(' ');
  return std::string(name.substr(0, blank));
}

std::string data_directory(std::string_view typed) {
  std::string dir(typed.substr(0, typed.find(' ')));
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir;
}

std::string base_name_entered(std::string_view typed) {
  const std::size_t first = typed.find_first_not_of(' ');
  std::string name(first == std::string_view::npos ? std::string_view() : typed.substr(first));
  const std::size_t blank = name.find(' ');
  const std::size_t stem_end = blank == std::string::npos ? name.size() : blank;
  if (has_flow_suffix(std::string_view(name).substr(0, stem_end))) name.erase(stem_end - 4, 4);
  return name;
}

bool is_end(std::string_view typed) {
  const std::size_t first = typed.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  std::string field = fixed_field(typed.substr(first), kNameColumns);
  for (char& c : field)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return field == fixed_field("END", kNameColumns);
}

bool is_plain_name(std::string_view stem) {
  return stem.find_first_of("/\\") == std::string_view::npos &&
         stem.find("..") == std::string_view::npos;
}

bool has_suffix(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(tail[i])) !=
        std::tolower(static_cast<unsigned char>(suffix[i])))
      return false;
  return true;
}

bool has_flow_suffix(std::string_view file_name) {
  return has_suffix(file_name, ".INC");
}

std::string find_flow_file(const std::string& dir, const std::string& stem) {
  const std::string upper = join_path(dir, stem + ".INC");
  if (files::file_exists(upper)) return upper;
  const std::string lower = join_path(dir, stem + ".inc");
  if (files::file_exists(lower)) return lower;
  return upper;
}

bool reader(Console& console, const std::string& directory, std::string& name,
            flowfile::FlowRead& out) {
  format::Writer screen(console.out());
  const std::string dir50 = fixed_field(directory, kDirectoryColumns);
  // ld: the length of the directory up to its first blank.
  const std::size_t dir_blank = dir50.find(' ');
  const int ld = dir_blank == std::string::npos ? -1 : static_cast<int>(dir_blank);
  // The directory joined to the base name: the text up to its first blank,
  // however long it is (only the field shown is cut to 50 columns).
  const std::string dir_text = directory.substr(0, directory.find(' '));
  while (true) {
    screen.list(" DIR = ", dir50);
    screen.write("(A)", " ENTER THE BASE NAME OF DATA FILE( E.G. NOOIT )  ");
    screen.list("   ?   ");
    std::string typed;
    if (!console.read_line(typed)) return false;
    if (is_end(typed)) return false;
    name = fixed_field(base_name_entered(typed), kNameColumns);
    const std::size_t name_blank = name.find(' ');
    const int k = name_blank == std::string::npos ? -1 : static_cast<int>(name_blank);
    const std::string stem = stem_of(name);
    screen.write("(1X 2I3 A A / 1X A A / 1X A A / 1X A A)", ld, k, dir50, "*", name, "*", stem, "*",
                 "INC", "*");
    if (k < 0) {
      screen.list(" A BASE NAME HAS AT MOST 19 CHARACTERS - TRY AGAIN !");
      continue;
    }
    if (stem.empty()) {
      screen.list(" THE BASE NAME IS EMPTY - TRY AGAIN !");
      continue;
    }
    if (!is_plain_name(stem)) {
      screen.list(" A BASE NAME HAS NO PATH: THE OUTPUT FILES GO TO THE WORKING DIRECTORY.");
      screen.list(" GIVE THE FOLDER OF THE FLOW FILES AS THE DIRECTORY - TRY AGAIN !");
      continue;
    }
    const std::string file_name = find_flow_file(dir_text, stem);
    try {
      out = flowfile::read_flow_file(file_name);
    } catch (const files::Error& e) {
      if (e.code() == std::errc::no_such_file_or_directory) {
        screen.list(" CANNOT FIND THE FILE YOU KEYED IN - TRY ONCE MORE");
        screen.write(
            "(A)",
            fixed_field(file_name, std::max<std::size_t>(kFileNameColumns, file_name.size())),
            " TRY AGAIN !");
        continue;
      }
      for (const std::string& note : e.notes()) screen.list(note);
      screen.list(std::string(" ") + e.what());
      screen.write("(A)", " TRY AGAIN !");
      continue;
    }
    for (const std::string& note : out.notes.notes) screen.list(note);
    return true;
  }
}

}  // namespace driver
