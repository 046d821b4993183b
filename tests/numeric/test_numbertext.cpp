// Number texts compared with the C library's own conversions in the "C" locale, then
// again under a decimal-comma locale.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numeric/numbertext.h"
#include "tests/comma_locale.h"

using numeric::ExponentLetter;
using numeric::FormatGeneral;
using numeric::ParseNumber;

namespace {

std::vector<double> Values() {
    const double inf = std::numeric_limits<double>::infinity();
    // clang-format off
    std::vector<double> v{0.0, -0.0, DBL_MIN, DBL_MIN / 3, DBL_TRUE_MIN, -DBL_TRUE_MIN,
                          1E-300, 1E+300, DBL_MAX, -DBL_MAX, inf, -inf,
                          7.86E-06, 0.0004, 21000, -1.5, 0.1, 1.0 / 3.0,
                          0.0001, 0.00001, 1e14, 1e15, 1e16, 123456789012345.6,
                          // rounding up to the next power of ten at 7, 15 and 16 digits
                          9.9999995, 999999999999999.9, 9.9999999999999999E+14,
                          0.000099999999999999995, 0.99999999999999994};
    // clang-format on
    for (int e = -20; e <= 20; ++e) {
        const double p = std::pow(10.0, e);
        v.insert(v.end(), {p, std::nextafter(p, 0.0), std::nextafter(p, inf), -p});
    }
    std::mt19937_64 rng(7);
    for (int i = 0; i < 6000; ++i) {
        const std::uint64_t bits = rng();
        double x;
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isnan(x)) v.push_back(i % 2 ? x : static_cast<float>(x));
    }
    return v;
}

struct Expected {
    std::vector<std::string> texts;  // per value and form
    std::vector<double> parsed;      // strtod of the %.17g text
};

const int kDigits[] = {0, 1, 6, 7, 15, 16, 17, 25};

Expected FromTheCLibrary(const std::vector<double>& values) {
    std::setlocale(LC_ALL, "C");
    Expected e;
    char buf[64];
    for (double x : values) {
        for (int d : kDigits) {
            std::snprintf(buf, sizeof buf, "%.*G", d, x);
            e.texts.push_back(buf);
            std::snprintf(buf, sizeof buf, "%.*g", d, x);
            e.texts.push_back(buf);
        }
        std::snprintf(buf, sizeof buf, "%.17g", x);
        e.parsed.push_back(std::strtod(buf, nullptr));
    }
    return e;
}

void CompareWith(const Expected& e, const std::vector<double>& values) {
    size_t k = 0;
    int mismatches = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const double x = values[i];
        for (int d : kDigits) {
            for (ExponentLetter letter : {ExponentLetter::Upper, ExponentLetter::Lower}) {
                const std::string got = FormatGeneral(x, d, letter);
                if (got != e.texts[k] && ++mismatches <= 10)
                    ADD_FAILURE() << "digits " << d << ": " << got << " instead of " << e.texts[k];
                ++k;
            }
        }
        double back = 0.0;
        const std::string text = FormatGeneral(x, 17, ExponentLetter::Lower);
        if (!std::isfinite(x)) {
            EXPECT_FALSE(ParseNumber(text, back)) << text;
        } else if (!ParseNumber(text, back) || std::memcmp(&back, &e.parsed[i], sizeof back) != 0) {
            if (++mismatches <= 10) ADD_FAILURE() << text << " read as " << back;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(NumberText, FormatsAndReadsAsTheCLibraryInTheCLocale) {
    const std::vector<double> values = Values();
    const Expected e = FromTheCLibrary(values);
    CompareWith(e, values);
    EXPECT_EQ(FormatGeneral(std::nan(""), 15), "NAN");
    CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << CommaLocale::kMissing;
    CompareWith(e, values);
}

TEST(NumberText, ParsingTakesOnlyWholeDecimalNumbers) {
    std::setlocale(LC_ALL, "C");
    // clang-format off
    const char* const accepted[] = {"0", "-0", "+2", " 12 ", "\t-3.5\r\n", ".5", "5.", "-.5",
                                    "7.86E-06", "1e+05", "1.E5", "4.9e-324", "1e-310", "0.1",
                                    "00012.50", "1e-400", "-2e-324", "1E-99999999999999999999",
                                    "1.7976931348623157E+308"};
    // clang-format on
    for (const char* text : accepted) {
        double v = 42.0;
        EXPECT_TRUE(ParseNumber(text, v)) << text;
        const double expected = std::strtod(text, nullptr);
        EXPECT_EQ(std::memcmp(&v, &expected, sizeof v), 0) << text << " read as " << v;
    }
    const std::string tinyPlain = "0." + std::string(400, '0') + "1";
    double v = 1.0;
    EXPECT_TRUE(ParseNumber(tinyPlain, v));
    EXPECT_EQ(v, 0.0);

    // clang-format off
    const char* const refused[] = {"", " ", "1,5", "1.5.2", "1e", "e5", "+-1", "--1", "1 2",
                                   "0x10", "inf", "nan", "-INF", "1e400", "1.8E+308",
                                   "1E99999999999999999999", "12a", ".", "+", "1e+",
                                   "\xEF\xBB\xBF" "1"};
    // clang-format on
    for (const char* text : refused) {
        double r = 42.0;
        EXPECT_FALSE(ParseNumber(text, r)) << text;
        EXPECT_EQ(r, 42.0) << text;
    }

    int n = 0;
    EXPECT_TRUE(numeric::ParseWholeNumber(" +12 ", n));
    EXPECT_EQ(n, 12);
    EXPECT_TRUE(numeric::ParseWholeNumber("-2147483648", n));
    EXPECT_EQ(n, -2147483647 - 1);
    for (const char* text : {"", "1.0", "1e3", "+-5", "2147483648", "0x10", "1,000", "--1"})
        EXPECT_FALSE(numeric::ParseWholeNumber(text, n)) << text;
}

}  // namespace
