// The analysis form's rise-time text, read with "." whatever the locale.
#include <gtest/gtest.h>

#include "analysis/settings.h"
#include "tests/comma_locale.h"

namespace {

TEST(AnalysisParameters, RiseTimeTextIgnoresTheLocale) {
    CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << CommaLocale::kMissing;
    EXPECT_EQ(fem::TauFromText("0.05"), 0.05);
    EXPECT_EQ(fem::TauFromText(" 5E-2 "), 0.05);
    EXPECT_EQ(fem::TauFromText("0,05"), 0.0);    // not a number: 0
    EXPECT_EQ(fem::TauFromText("0x1p-4"), 0.0);  // hexadecimal is not a rise time
    EXPECT_EQ(fem::TauFromText("inf"), 0.0);
}

}  // namespace
