// Fuzzes the length entry's number reader and the length check against a second reading.
#include "core/Scales.h"

#include "FuzzSupport.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const Digits = "0123456789";

// The compact ASCII text the reader works on: blanks, tabs and line feeds dropped.
std::string Compact(const QString& text)
{
    std::string s;
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n') {
            s += c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x7f';
        }
    }
    return s;
}

// Octal digits to a hexadecimal literal through a big integer in base 2^32.
std::string OctalAsHex(const std::string& digits)
{
    std::vector<std::uint32_t> words{0};  // least significant first
    for (const char c : digits) {
        std::uint64_t carry = static_cast<std::uint64_t>(c - '0');
        for (std::uint32_t& word : words) {
            const std::uint64_t v = static_cast<std::uint64_t>(word) * 8 + carry;
            word = static_cast<std::uint32_t>(v);
            carry = v >> 32;
        }
        if (carry) {
            words.push_back(static_cast<std::uint32_t>(carry));
        }
    }
    std::string hex = "0x";
    char buffer[9];
    for (auto it = words.rbegin(); it != words.rend(); ++it) {
        std::snprintf(buffer, sizeof buffer, it == words.rbegin() ? "%x" : "%08x", *it);
        hex += buffer;
    }
    return hex;
}

// A plain second reading with the C library (the fuzzer never changes the C locale).
double SecondReading(const QString& text)
{
    const std::string s = Compact(text);
    if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
        const std::size_t n = std::strspn(s.c_str() + 2, "0123456789abcdefABCDEF");
        return n == 0 ? 0.0 : std::strtod(("0x" + s.substr(2, n)).c_str(), nullptr);
    }
    if (s.size() >= 2 && s[0] == '&' && (s[1] == 'O' || s[1] == 'o')) {
        const std::size_t n = std::strspn(s.c_str() + 2, "01234567");
        return n == 0 ? 0.0 : std::strtod(OctalAsHex(s.substr(2, n)).c_str(), nullptr);
    }
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    const std::size_t whole = std::strspn(s.c_str() + i, Digits);
    i += whole;
    std::size_t fraction = 0;
    if (i < s.size() && s[i] == '.') {
        fraction = std::strspn(s.c_str() + i + 1, Digits);
        if (whole + fraction > 0) {
            i += 1 + fraction;
        }
    }
    if (whole + fraction == 0) {
        return 0.0;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            ++j;
        }
        const std::size_t exponent = std::strspn(s.c_str() + j, Digits);
        if (exponent > 0) {
            i = j + exponent;
        }
    }
    return std::strtod(s.substr(0, i).c_str(), nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first byte chooses how the rest becomes text, so both encodings get explored.
    if (size == 0) {
        Require(LeadingNumber(QString()) == 0.0, "empty text reads as 0");
        return 0;
    }
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const auto length = static_cast<qsizetype>(size - 1);
    const QString text = (data[0] & 1) ? QString::fromUtf8(bytes, length) : QString::fromLatin1(bytes, length);

    const double value = LeadingNumber(text);
    const double expected = SecondReading(text);
    Require(!std::isnan(value), "the reader never gives NaN");
    Require(value == expected, "the reader agrees with a second reading");
    const bool accepted = LengthInRange(value, 1, 240);
    Require(accepted == (expected >= 1 && expected <= 240), "the length check follows the number read");
    if (accepted) {
        for (const ScaleEntry& scale : ScaleCatalogue()) {
            for (const bool circle : {false, true}) {
                const float feet = ScaleDistanceOf(scale.ratio, RunLengthOf(text, circle));
                Require(feet >= 0 && feet <= 27645 && feet == std::floor(feet), "an accepted length gives whole feet");
            }
        }
    }
    return 0;
}
