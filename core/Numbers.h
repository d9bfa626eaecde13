// Reading numbers from text, exactly and without the C locale, for the length entry and the settings file.
#pragma once

#include <optional>
#include <string_view>

// The longest prefix of `text` that is a decimal literal: an optional sign, digits
// with an optional decimal point (digits on at least one side), and an optional
// exponent (E or e, optional sign, digits). Empty when there is none.
std::string_view DecimalPrefix(std::string_view text);

// The value of `text` when all of it is such a literal, correctly rounded and
// independent of the C locale; beyond the range of a double it is infinite, below
// it 0. Nothing when the text is anything else.
std::optional<double> DecimalValue(std::string_view text);

// The value of a run of digits in base 16 or 8 (stopping at the first other
// character), correctly rounded; 0 for none.
double RadixValue(std::string_view digits, int radix);
