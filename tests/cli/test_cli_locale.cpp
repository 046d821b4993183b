// The commands run inside this test program under a decimal-comma locale write the same
// bytes as the tool itself (which never sets a locale) and read their options with ".".
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tests/comma_locale.h"
#include "tests/file_text.h"

namespace {

using testfiles::ReadWhole;

TEST(CliLocale, CsvAndOptionsIgnoreTheLocale) {
    const std::string base = std::string(WORK_DIR) + "/locale_";
    const std::string options = " --nw 256 --te 0.0005 --tau 0.05 --gamma-te 4.5 --element 1";
    const std::string tool = std::string(CLI_PATH) + " analyse sample:1" + options + " --forces " +
                             base + "forces_c.csv --static " + base + "static_c.csv 2>/dev/null";
    ASSERT_EQ(std::system(tool.c_str()), 0);
    const std::string forces = ReadWhole(base + "forces_c.csv");
    const std::string statics = ReadWhole(base + "static_c.csv");
    ASSERT_NE(forces.find("e-06,"), std::string::npos);  // times with a decimal mark

    CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << CommaLocale::kMissing;
    const std::vector<std::string> args{"sample:1",
                                        "--nw",
                                        "256",
                                        "--te",
                                        "0.0005",
                                        "--tau",
                                        "0.05",
                                        "--gamma-te",
                                        "4.5",
                                        "--element",
                                        "1",
                                        "--forces",
                                        base + "forces_de.csv",
                                        "--static",
                                        base + "static_de.csv"};
    ASSERT_EQ(cli::RunAnalyse(args), 0);
    EXPECT_EQ(ReadWhole(base + "forces_de.csv"), forces);
    EXPECT_EQ(ReadWhole(base + "static_de.csv"), statics);
}

}  // namespace
