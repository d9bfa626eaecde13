// Decimal, hexadecimal and octal text to double, exactly and without the C locale.
#include "core/Numbers.h"

#include <charconv>
#include <limits>
#include <string>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int DigitValue(char c)
{
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

// For a literal whose value lies outside a double: does it lie above (true) or
// below (false)? Its order of magnitude is where the first significant digit
// stands, moved by the exponent.
bool IsHuge(std::string_view literal)
{
    const auto e = literal.find_first_of("eE");
    const std::string_view mantissa = literal.substr(0, e);
    long long exponent = 0;
    if (e != std::string_view::npos) {
        std::size_t i = e + 1;
        const bool negative = i < literal.size() && literal[i] == '-';
        if (i < literal.size() && (literal[i] == '-' || literal[i] == '+')) {
            ++i;
        }
        for (; i < literal.size(); ++i) {
            exponent = std::min(exponent * 10 + (literal[i] - '0'), 1LL << 40);
        }
        exponent = negative ? -exponent : exponent;
    }
    const auto point = mantissa.find('.');
    const long long pointAt = static_cast<long long>(point == std::string_view::npos ? mantissa.size() : point);
    const auto first = mantissa.find_first_of("123456789");
    const long long firstAt = static_cast<long long>(first);
    const long long order = firstAt < pointAt ? pointAt - firstAt : -(firstAt - pointAt - 1);
    return order + exponent > 0;
}

}  // namespace

std::string_view DecimalPrefix(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    bool digits = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            digits = true;
        }
    }
    if (!digits) {
        return {};
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        const std::size_t start = j;
        for (; j < text.size() && IsDigit(text[j]); ++j) {
        }
        if (j > start) {
            i = j;
        }
    }
    return text.substr(0, i);
}

std::optional<double> DecimalValue(std::string_view text)
{
    if (text.empty() || DecimalPrefix(text).size() != text.size()) {
        return std::nullopt;
    }
    const bool negative = text.front() == '-';
    const std::string_view unsigned_ = (text.front() == '-' || text.front() == '+') ? text.substr(1) : text;
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), value);
    if (ec == std::errc::result_out_of_range) {
        value = IsHuge(unsigned_) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

double RadixValue(std::string_view digits, int radix)
{
    // Through a hexadecimal digit string, which from_chars rounds correctly.
    std::string hex;
    if (radix == 16) {
        for (const char c : digits) {
            if (DigitValue(c) >= 16) {
                break;
            }
            hex += c;
        }
    } else {
        std::string bits;
        for (const char c : digits) {
            const int digit = DigitValue(c);
            if (digit >= radix) {
                break;
            }
            for (int bit = 2; bit >= 0; --bit) {
                bits += ((digit >> bit) & 1) ? '1' : '0';
            }
        }
        bits.insert(0, (4 - bits.size() % 4) % 4, '0');
        for (std::size_t i = 0; i < bits.size(); i += 4) {
            hex += "0123456789abcdef"[std::stoi(bits.substr(i, 4), nullptr, 2)];
        }
    }
    if (hex.empty()) {
        return 0.0;
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, std::chars_format::hex);
    return ec == std::errc::result_out_of_range ? std::numeric_limits<double>::infinity() : value;
}
