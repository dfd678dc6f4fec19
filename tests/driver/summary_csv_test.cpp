// The network table that --summary writes, read back by an RFC 4180 reader,
// holds the same values as each gauge's NAME.json.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "driver/cli.hpp"
#include "driver/gauge_cases.hpp"
#include "findings/findings.hpp"
#include "results/csv.hpp"

namespace driver::testing {
namespace {

using nlohmann::json;
using Table = std::vector<std::vector<std::string>>;

// RFC 4180: records end in CRLF or LF, fields are separated by commas, and
// a field in double quotes may hold commas, line ends and doubled quotes.
// error receives what is wrong with a text that is not such a table.
Table read_csv(const std::string& text, std::string& error) {
  Table rows;
  std::vector<std::string> row;
  std::string field;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '"' && field.empty()) {
      for (++i;; ++i) {
        if (i >= text.size()) {
          error = "a quoted field does not end";
          return rows;
        }
        if (text[i] == '"' && (i + 1 >= text.size() || text[i + 1] != '"')) break;
        if (text[i] == '"') ++i;  // a doubled quote
        field += text[i];
      }
      ++i;
      if (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r') {
        error = "text after a closing quote";
        return rows;
      }
      continue;
    }
    const char ch = text[i++];
    if (ch == ',') {
      row.push_back(field);
      field.clear();
    } else if (ch == '\n' || (ch == '\r' && i < text.size() && text[i] == '\n')) {
      if (ch == '\r') ++i;
      row.push_back(field);
      field.clear();
      rows.push_back(row);
      row.clear();
    } else if (ch == '"' || ch == '\r') {
      error = "a quote or carriage return inside an unquoted field";
      return rows;
    } else {
      field += ch;
    }
  }
  if (!field.empty() || !row.empty()) error = "the last record has no line end";
  return rows;
}

struct Quoting {
  const char* name;
  std::string text, written;
};

void PrintTo(const Quoting& q, std::ostream* os) {
  *os << q.name;
}

class CsvField : public ::testing::TestWithParam<Quoting> {};

TEST_P(CsvField, QuotesOnlyWhatNeedsItAndReadsBack) {
  const Quoting& q = GetParam();
  EXPECT_EQ(results::csv_field(q.text), q.written);
  const std::vector<std::string> fields{"before", q.text, "after"};
  std::string error;
  const Table t = read_csv(results::csv_line(fields) + results::csv_line(fields), error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(t, Table(2, fields));
}

INSTANTIATE_TEST_SUITE_P(Texts, CsvField,
                         ::testing::Values(Quoting{"Plain", "cannot open the flow file x.INC",
                                                   "cannot open the flow file x.INC"},
                                           Quoting{"Empty", "", ""},
                                           Quoting{"Comma", "a,b", "\"a,b\""},
                                           Quoting{"Quote", "say \"no\"", "\"say \"\"no\"\"\""},
                                           Quoting{"OnlyAQuote", "\"", "\"\"\"\""},
                                           Quoting{"LineEnd", "two\nlines", "\"two\nlines\""},
                                           Quoting{"CarriageReturn", "a\r\nb", "\"a\r\nb\""},
                                           Quoting{"BlanksKept", "  padded  ", "  padded  "}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadCsv, RefusesWhatIsNotATable) {
  for (const char* bad : {"a,\"b\n", "a,\"b\"c\n", "a,b\"c\n", "a,b"}) {
    std::string error;
    read_csv(bad, error);
    EXPECT_NE(error, "") << bad;
  }
}

// Where each column's value lives in NAME.json ("" for the ones computed
// here). ARMA columns are empty unless the analysis is complete.
struct Column {
  const char* name;
  const char* pointer;
  bool arma = false;
};

const std::vector<Column>& columns() {
  static const std::vector<Column> c{
      {"name", "/gauge/name"},
      {"first_year", "/gauge/first_year"},
      {"last_year", "/gauge/last_year"},
      {"years", "/gauge/years"},
      {"positive_flows", "/gauge/positive_flows"},
      {"zero_flows", "/gauge/zero_flows"},
      {"mean", "/raw_moments/mean"},
      {"sd", "/raw_moments/sd"},
      {"skewness", "/raw_moments/skewness"},
      {"excess", "/raw_moments/excess"},
      {"transform", "/transform/chosen/model"},
      {"GAMMA", "/transform/chosen/GAMMA"},
      {"DELTA", "/transform/chosen/DELTA"},
      {"XLAM", "/transform/chosen/XLAM"},
      {"XI", "/transform/chosen/XI"},
      {"criterion", ""},
      {"chi2_flows", "/chi_square/flows/statistic"},
      {"chi2_flows_df", "/chi_square/flows/df"},
      {"chi2_flows_p", "/chi_square/flows/probability"},
      {"chi2_normalised", "/chi_square/normalised/statistic"},
      {"chi2_normalised_df", "/chi_square/normalised/df"},
      {"chi2_normalised_p", "/chi_square/normalised/probability"},
      {"r1", "/correlogram/r/0"},
      {"Q", "/correlogram/portmanteau/Q"},
      {"Q_df", "/correlogram/portmanteau/df"},
      {"Q_p", "/correlogram/portmanteau/probability"},
      {"p", "/arma/chosen/p", true},
      {"q", "/arma/chosen/q", true},
      {"phi1", "/arma/chosen/phi/0", true},
      {"phi2", "/arma/chosen/phi/1", true},
      {"theta1", "/arma/chosen/theta/0", true},
      {"theta2", "/arma/chosen/theta/1", true},
      {"min_score", "/arma/chosen/min_score", true},
      {"refit_aicc", "/arma/refit/aicc", true},
      {"residual_Q", "/residual_correlogram/portmanteau/Q", true},
      {"residual_Q_df", "/residual_correlogram/portmanteau/df", true},
      {"residual_Q_p", "/residual_correlogram/portmanteau/probability", true},
      {"warnings", ""},
      {"dry_flow_T10", "/findings/return_periods/periods/2/dry/flow"},
      {"dry_flow_T100", "/findings/return_periods/periods/6/dry/flow"},
      {"wet_flow_T10", "/findings/return_periods/periods/2/wet/flow"},
      {"wet_flow_T100", "/findings/return_periods/periods/6/wet/flow"},
      {"mk_z", "/findings/trend/mann_kendall/Z"},
      {"mk_p", "/findings/trend/mann_kendall/p"},
      {"sen_slope", "/findings/trend/sen_slope/slope"},
      {"pettitt_year", "/findings/trend/pettitt/last_year_before"},
      {"pettitt_p", "/findings/trend/pettitt/p"},
      {"status", ""},
  };
  return c;
}

// The value at a pointer; null when it, or a section on its way, is absent.
json at(const json& j, const std::string& pointer) {
  const json::json_pointer ptr(pointer);
  return j.contains(ptr) ? j.at(ptr) : json();
}

// A field against a JSON value: empty for null, the same text for a string
// or an integer, the same double for a number.
void expect_field(const std::string& field, const json& v, const std::string& what) {
  if (v.is_null()) {
    EXPECT_EQ(field, "") << what;
  } else if (v.is_string()) {
    EXPECT_EQ(field, v.get<std::string>()) << what;
  } else if (v.is_number_integer()) {
    EXPECT_EQ(field, v.dump()) << what;
  } else {
    char* end = nullptr;
    const double d = std::strtod(field.c_str(), &end);
    EXPECT_TRUE(!field.empty() && *end == '\0' && d == v.get<double>())
        << what << ": CSV \"" << field << "\", JSON " << v.dump();
  }
}

class SummaryCsv : public ::testing::Test {
 protected:
  // Runs the batch on the crafted records and the Nile, plus a gauge
  // without a flow file, and reads the table back.
  void SetUp() override {
    fs::create_directories(dir_.path() / "in");
    fs::create_directories(dir_.path() / "out");
    std::vector<std::string> args{"rivan6",
                                  "-d",
                                  (dir_.path() / "in").string(),
                                  "-o",
                                  (dir_.path() / "out").string(),
                                  "-j",
                                  "2",
                                  "-q",
                                  "--summary",
                                  (dir_.path() / "out" / "network.csv").string()};
    for (const GaugeCase& g : gauge_cases()) {
      std::ofstream(dir_.path() / "in" / (g.name + ".INC"), std::ios::binary) << g.text;
      args.push_back(g.name);
    }
    args.push_back("No,File");  // a name with a comma: its field is quoted
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(run_cli(static_cast<int>(argv.size()), argv.data(), in, out, err), 1) << err.str();
    std::string error;
    table_ = read_csv(read_file(dir_.path() / "out" / "network.csv"), error);
    EXPECT_EQ(error, "");
  }
  json gauge_json(const std::string& name) const {
    return json::parse(read_file(dir_.path() / "out" / (name + ".json")));
  }
  TempDir dir_;
  Table table_;
};

TEST_F(SummaryCsv, HeaderAndOneRowPerGaugeInTheOrderGiven) {
  ASSERT_EQ(table_.size(), gauge_cases().size() + 2);
  std::vector<std::string> header;
  for (const Column& c : columns()) header.push_back(c.name);
  EXPECT_EQ(table_[0], header);
  for (std::size_t i = 1; i < table_.size(); ++i) {
    EXPECT_EQ(table_[i].size(), header.size()) << "row " << i;
    EXPECT_EQ(table_[i][0], i <= gauge_cases().size() ? gauge_cases()[i - 1].name : "No,File");
  }
}

TEST_F(SummaryCsv, EachRowEqualsTheGaugesJson) {
  for (std::size_t i = 1; i <= gauge_cases().size() && i < table_.size(); ++i) {
    const std::vector<std::string>& row = table_[i];
    const json j = gauge_json(row[0]);
    const bool complete = j["extent"] == "complete";
    for (std::size_t k = 0; k < columns().size() && k < row.size(); ++k) {
      const Column& c = columns()[k];
      const std::string what = row[0] + " " + c.name;
      if (c.arma && !complete) {
        EXPECT_EQ(row[k], "") << what;
      } else if (std::string(c.name) == "criterion") {
        const json& t = j["transform"];
        expect_field(row[k],
                     t.is_null()
                         ? json()
                         : t["candidates"][t["chosen"]["ITYPE"].get<int>() - 1]["criterion"],
                     what);
      } else if (std::string(c.name) == "status") {
        EXPECT_EQ(row[k], "ok") << what;
      } else if (std::string(c.name) == "warnings") {
        std::string codes;
        for (const json& w : j["findings"]["warnings"])
          codes += (codes.empty() ? "" : ";") + w["code"].get<std::string>();
        EXPECT_EQ(row[k], codes) << what;
      } else {
        expect_field(row[k], at(j, c.pointer), what);
      }
    }
  }
}

TEST_F(SummaryCsv, AFailedGaugeKeepsItsRowWithTheReason) {
  ASSERT_FALSE(table_.empty());
  const std::vector<std::string>& row = table_.back();
  ASSERT_EQ(row.size(), columns().size());
  EXPECT_EQ(row.front(), "No,File");
  EXPECT_NE(row.back().find("No such file or directory"), std::string::npos) << row.back();
  for (std::size_t k = 1; k + 1 < row.size(); ++k) EXPECT_EQ(row[k], "") << columns()[k].name;
}

// The README's table of the columns names each column once, in order.
TEST(SummaryCsvDocs, ReadmeListsEveryColumn) {
  std::string readme = read_file(fs::path(RIVAN6_SOURCE_DIR) / "README.md");
  const std::size_t start = readme.find("\n### The network table");
  ASSERT_NE(start, std::string::npos);
  readme = readme.substr(start, readme.find("\n#", start + 1) - start);
  std::vector<std::string> listed;
  const std::regex row(R"(\n\| `([A-Za-z0-9_]+)` \|)");
  for (auto m = std::sregex_iterator(readme.begin(), readme.end(), row);
       m != std::sregex_iterator(); ++m)
    listed.push_back((*m)[1]);
  std::vector<std::string> expected;
  for (const auto& column : results::csv_empty_columns()) expected.push_back(column.first);
  for (const std::string& h : findings::csv_headers()) expected.push_back(h);
  expected.push_back("status");
  EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace driver::testing
