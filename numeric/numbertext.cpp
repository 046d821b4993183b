#include "numeric/numbertext.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace numeric {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text without the white space (as C's isspace has it in the "C" locale) around it.
std::string_view Trimmed(std::string_view text) {
    const char* const space = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// Checks digits[.digits][(E|e)[sign]digits] with at least one mantissa digit, and gives
// the power of ten of the first non-zero digit (meaningful when there is one); the
// exponent is saturated so that huge ones cannot overflow.
bool IsDecimal(std::string_view s, long& leadingPower) {
    size_t p = 0;
    long firstNonZero = 0;  // position of the first non-zero digit, counted from the point
    bool seenNonZero = false;
    long before = 0;
    for (; p < s.size() && IsDigit(s[p]); ++p, ++before) {
        if (!seenNonZero && s[p] != '0') {
            seenNonZero = true;
            firstNonZero = before;
        }
    }
    long after = 0;
    if (p < s.size() && s[p] == '.') {
        for (++p; p < s.size() && IsDigit(s[p]); ++p, ++after) {
            if (!seenNonZero && s[p] != '0') {
                seenNonZero = true;
                firstNonZero = before + after;
            }
        }
    }
    if (before + after == 0) return false;
    long exponent = 0;
    if (p < s.size() && (s[p] == 'E' || s[p] == 'e')) {
        ++p;
        const bool negative = p < s.size() && s[p] == '-';
        if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
        const size_t digitsFrom = p;
        for (; p < s.size() && IsDigit(s[p]); ++p)
            exponent = std::min(exponent * 10 + (s[p] - '0'), 1000000L);
        if (p == digitsFrom) return false;
        if (negative) exponent = -exponent;
    }
    leadingPower = before - 1 - firstNonZero + exponent;
    return p == s.size();
}

}  // namespace

std::string FormatGeneral(double x, int significantDigits, ExponentLetter letter) {
    const int digits = std::max(significantDigits, 1);
    // At most the digits, a sign, a point, "0.000" before them or an exponent after them.
    std::string text(static_cast<size_t>(digits) + 16, '\0');
    const std::to_chars_result r = std::to_chars(text.data(), text.data() + text.size(), x,
                                                 std::chars_format::general, digits);
    text.resize(static_cast<size_t>(r.ptr - text.data()));
    if (letter == ExponentLetter::Upper) {
        for (char& c : text)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool ParseNumber(std::string_view text, double& value) {
    text = Trimmed(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    long leadingPower = 0;
    if (!IsDecimal(text, leadingPower)) return false;
    double v = 0.0;
    const std::from_chars_result r =
        std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        if (leadingPower >= 0) return false;  // beyond the largest double
        v = 0.0;                              // below the smallest: zero, as C's reading gives
    } else if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
        return false;
    }
    value = negative ? -v : v;
    return true;
}

bool ParseWholeNumber(std::string_view text, int& value) {
    text = Trimmed(text);
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    if (text.empty() || !(IsDigit(text.front()) || (text.front() == '-' && !plus))) return false;
    int v = 0;
    const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
    value = v;
    return true;
}

}  // namespace numeric
