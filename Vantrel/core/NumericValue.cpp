// The numeric rules for texts the user types: reading, rounding and writing numbers.
#include "NumericValue.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace qel {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Walks the characters of a text while skipping blanks.
class BlankSkippingCursor {
public:
    explicit BlankSkippingCursor(std::string_view text) : text_(text) { SkipBlanks(); }
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return text_[pos_]; }
    void Advance() {
        ++pos_;
        SkipBlanks();
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) {
            ++pos_;
        }
    }
    std::string_view text_;
    std::size_t pos_ = 0;
};

// Rounds to the nearest whole number, halves to even, without depending on the floating-point
// rounding mode in force.
double RoundHalfToEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;  // exact: both lie in the same binade or below
    if (fraction < 0.5) {
        return below;
    }
    if (fraction > 0.5) {
        return below + 1.0;
    }
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

template <typename Int>
std::optional<Int> RoundToRange(double value) {
    if (std::isnan(value)) {
        return std::nullopt;
    }
    const double rounded = RoundHalfToEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

}  // namespace

double NumericValue(std::string_view text) {
    // The number is gathered into a compact form "[-]digits[.digits][e[-]digits]" and handed to
    // std::from_chars, which does not depend on the locale.
    BlankSkippingCursor cursor(text);
    std::string number;
    bool negative = false;
    if (!cursor.AtEnd() && (cursor.Peek() == '+' || cursor.Peek() == '-')) {
        negative = cursor.Peek() == '-';
        cursor.Advance();
    }

    bool sawDigit = false;
    bool sawPoint = false;
    bool sawNonZero = false;
    long long digitsBeforePoint = 0;
    long long zerosAfterPoint = 0;
    while (!cursor.AtEnd()) {
        const char c = cursor.Peek();
        if (IsDigit(c)) {
            sawDigit = true;
            if (!sawPoint) {
                if (sawNonZero || c != '0') {
                    ++digitsBeforePoint;
                }
            } else if (!sawNonZero && c == '0') {
                ++zerosAfterPoint;
            }
            sawNonZero = sawNonZero || c != '0';
            number += c;
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
            number += c;
        } else {
            break;
        }
        cursor.Advance();
    }
    if (!sawDigit) {
        return 0.0;
    }
    // Decimal exponent of the first non-zero digit relative to the point: 1 for "1", 0 for
    // "0.5", -1 for "0.05". Used only to tell overflow from underflow.
    const long long leadingMagnitude = digitsBeforePoint > 0 ? digitsBeforePoint : -zerosAfterPoint;

    long long exponent = 0;
    if (!cursor.AtEnd() && (cursor.Peek() == 'e' || cursor.Peek() == 'E' || cursor.Peek() == 'd' ||
                            cursor.Peek() == 'D')) {
        cursor.Advance();
        bool exponentNegative = false;
        if (!cursor.AtEnd() && (cursor.Peek() == '+' || cursor.Peek() == '-')) {
            exponentNegative = cursor.Peek() == '-';
            cursor.Advance();
        }
        constexpr long long kExponentCap = 1'000'000;  // far beyond any double; avoids overflow
        while (!cursor.AtEnd() && IsDigit(cursor.Peek())) {
            if (exponent < kExponentCap) {
                exponent = exponent * 10 + (cursor.Peek() - '0');
            }
            cursor.Advance();
        }
        if (exponentNegative) {
            exponent = -exponent;
        }
    }
    if (exponent != 0) {
        number += 'e';
        number += std::to_string(exponent);
    }

    double magnitude = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        magnitude = leadingMagnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        magnitude = 0.0;  // cannot happen for the forms gathered above
    }
    return negative ? -magnitude : magnitude;
}

std::optional<std::int16_t> RoundToInt16(double value) {
    return RoundToRange<std::int16_t>(value);
}

std::optional<std::uint8_t> RoundToByte(double value) {
    return RoundToRange<std::uint8_t>(value);
}

std::string GeneralNumber(double value) {
    if (value == 0.0) {
        return "0";  // also for -0
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    for (char& c : text) {
        if (c == 'e') {
            c = 'E';
        }
    }
    return text;
}

std::string NumberWithSignBlank(long long value) {
    std::string digits = std::to_string(value);
    return value < 0 ? digits : " " + digits;
}

}  // namespace qel
