// The dialogue's prompt for a gauge: the typed base name, the flow file it
// names in the data directory, and the rules of the 20-column name field.
#pragma once

#include <string>
#include <string_view>

#include "driver/console.hpp"
#include "flowfile/reader.hpp"
#include "format/format.hpp"

namespace driver {

constexpr int kNameColumns = 20;       // the base name field
constexpr int kDirectoryColumns = 50;  // the directory field of the dialogue
constexpr int kFileNameColumns = 60;   // the field of the flow-file name in a message

// The stem of a base name: the text before its first blank.
std::string stem_of(std::string_view name);
using format::fixed_field;

// The data directory as the dialogue uses it: the text typed up to its first
// blank, with a closing '/' added when it has no closing separator.
std::string data_directory(std::string_view typed);
// The base name typed at the prompt without its leading blanks and without a
// ".INC" suffix (any case) on its stem.
std::string base_name_entered(std::string_view typed);
// Whether the typed base name is END (any case, leading blanks dropped).
bool is_end(std::string_view typed);
// Whether a stem names a file in a folder and no more: no path separator and
// no "..".
bool is_plain_name(std::string_view stem);
// Whether a name ends in suffix, in any case.
bool has_suffix(std::string_view name, std::string_view suffix);
// Whether a file name ends in ".INC" (any case).
bool has_flow_suffix(std::string_view file_name);
// The flow file of stem in dir: dir/stem.INC, or dir/stem.inc when only that
// one exists (dir/stem.INC when neither does).
std::string find_flow_file(const std::string& dir, const std::string& stem);

// The dialogue that asks for a base name and reads its flow file from the
// directory (as data_directory gives it; the screen shows its first 50
// columns). Asks again while the name is not a plain file name or the file
// cannot be found or is refused. Returns false when the session is to end:
// the base name END, or the end of input. name receives the 20-column base
// name, out the record and what the reader noticed of the file.
[[nodiscard]] bool reader(Console& console, const std::string& directory, std::string& name,
                          flowfile::FlowRead& out);

}  // namespace driver
