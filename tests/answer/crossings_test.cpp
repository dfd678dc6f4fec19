#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "answer/answer.hpp"
#include "stats/cross.hpp"

namespace {

TEST(Cross, TablesAreWrittenColumnExact) {
  std::ostringstream os;
  format::Writer ans(os, true);
  stats::CrossTables t;
  const std::vector<double> x{0.0, -1.0, -2.0, 0.0};
  stats::cross(x, stats::crossing_levels(), 1, 6, t);
  stats::cross(x, stats::crossing_levels(), 7, 12, t);
  answer::write_cross(ans, t, 1);
  answer::write_cross(ans, t, 7);
  const std::string b6(6, ' ');
  const std::string expected =
      "\f\n" + b6 + "DOWN CROSSINGS   TOTAL DEFICIT RUN LENGTHS AND SUM \n" + "\n" + b6 +
      "P(EXCEEDENCE). (%)." + std::string(5, ' ') +
      "    80.0    90.0    95.0    99.0    99.5    99.9\n" + b6 + "FLOW" + std::string(20, ' ') +
      "    -0.8    -1.3    -1.6    -2.3    -2.6    -3.1\n" + b6 + "CROSSINGS" +
      std::string(14, ' ') + "       1       1       1       0       0       0\n" + b6 +
      "TOTAL RUN LENGTH" + std::string(7, ' ') +
      "       2       1       1       0       0       0\n" + b6 + "TOTAL RUN SUM" +
      std::string(11, ' ') + "      1.      0.      0.      0.      0.      0.\n" + "\n\n" + b6 +
      "UP CROSSINGS   TOTAL SURPLUS RUN LENGTHS AND SUM \n" + "\n" + b6 +
      "P(NON-EXCEEDENCE). (%). " + "    80.0    90.0    95.0    99.0    99.5    99.9\n" + b6 +
      "FLOW" + std::string(20, ' ') + "     0.8     1.3     1.6     2.3     2.6     3.1\n" + b6 +
      "CROSSINGS" + std::string(14, ' ') + "       0       0       0       0       0       0\n" +
      b6 + "TOTAL RUN LENGTH" + std::string(7, ' ') +
      "       0       0       0       0       0       0\n" + b6 + "TOTAL RUN SUM" +
      std::string(11, ' ') + "      0.      0.      0.      0.      0.      0.\n" + "\n\n";
  EXPECT_EQ(os.str(), expected);
}

}  // namespace
