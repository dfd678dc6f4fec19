#include "cli/options.hpp"

namespace cli {

namespace {

const OptionSpec* by_short(std::span<const OptionSpec> specs, char c) {
  for (const OptionSpec& s : specs)
    if (s.short_name != 0 && s.short_name == c) return &s;
  return nullptr;
}

// The long option a name (before any '=') stands for: an exact name, or the
// one name it is a prefix of; null when none or several.
const OptionSpec* by_long(std::span<const OptionSpec> specs, std::string_view name) {
  const OptionSpec* found = nullptr;
  int prefixes = 0;
  for (const OptionSpec& s : specs) {
    if (s.long_name.empty()) continue;
    if (s.long_name == name) return &s;
    if (s.long_name.starts_with(name)) {
      found = &s;
      ++prefixes;
    }
  }
  return prefixes == 1 ? found : nullptr;
}

}  // namespace

Parsed parse(std::span<const OptionSpec> specs, std::span<const char* const> arguments) {
  Parsed p;
  auto fail = [&p](Problem problem, const OptionSpec* spec, std::string text) {
    p.problem = problem;
    p.problem_spec = spec;
    p.problem_text = std::move(text);
    return p;
  };
  const std::size_t n = arguments.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::string arg = arguments[i] != nullptr ? arguments[i] : "";
    if (arg == "--") {
      for (++i; i < n; ++i) p.operands.emplace_back(arguments[i]);
      break;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      p.operands.push_back(arg);
      continue;
    }
    if (arg[1] == '-') {
      const std::size_t eq = arg.find('=');
      const std::string_view name =
          std::string_view(arg).substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
      const OptionSpec* spec = by_long(specs, name);
      if (spec == nullptr) return fail(Problem::unknown_option, nullptr, arg);
      Option o{spec, "", arg};
      if (eq != std::string::npos) {
        if (!spec->takes_value) return fail(Problem::unwanted_value, spec, arg);
        o.value = arg.substr(eq + 1);
      } else if (spec->takes_value) {
        if (i + 1 >= n) return fail(Problem::missing_value, spec, arg);
        o.value = arguments[++i];
      }
      p.options.push_back(std::move(o));
      continue;
    }
    // A cluster of short options; one that takes a value takes the rest of
    // the cluster, or the next argument.
    for (std::size_t k = 1; k < arg.size(); ++k) {
      const OptionSpec* spec = by_short(specs, arg[k]);
      if (spec == nullptr) return fail(Problem::unknown_option, nullptr, std::string("-") + arg[k]);
      Option o{spec, "", arg};
      if (spec->takes_value) {
        if (k + 1 < arg.size()) {
          o.value = arg.substr(k + 1);
        } else {
          if (i + 1 >= n) return fail(Problem::missing_value, spec, arg);
          o.value = arguments[++i];
        }
        p.options.push_back(std::move(o));
        break;
      }
      p.options.push_back(std::move(o));
    }
  }
  return p;
}

std::string names_of(const OptionSpec& spec) {
  std::string s;
  if (spec.short_name != 0) s = std::string("-") + spec.short_name;
  if (!spec.long_name.empty()) s += (s.empty() ? "--" : "/--") + std::string(spec.long_name);
  return s;
}

}  // namespace cli
