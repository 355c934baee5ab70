// The text of numbers in dBASE numeric fields, read and written without the C locale: a field always
// holds digits with a point, whatever decimal separator the user's locale has.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace data {

struct FieldNumber
{
    bool integral = false; // written without point or exponent and within long long
    long long integer = 0; // valid when integral
    double real = 0;
};

// Parses the text of a numeric field: blanks (and NULs) around, optional sign, digits with an optional
// point, optional exponent. nullopt for anything else, for an empty text and for values beyond double.
std::optional<FieldNumber> parseFieldNumber(std::string_view text);

// The text of value with exactly `decimals` decimals, right-aligned in `width` characters; nullopt when
// it needs more than width characters or the value is not finite. Rounding is to the nearest decimal
// of the exact binary value; a value that rounds to zero has no minus sign.
std::optional<std::string> formatFieldNumber(double value, int width, int decimals);
// The same for a whole number, exact for all long long values.
std::optional<std::string> formatFieldInteger(long long value, int width, int decimals);
// The same texts written into the `width` bytes at field; false, with field untouched, when the value
// does not fit. For writers that fill records in place.
bool writeFieldNumber(double value, int width, int decimals, char *field);
bool writeFieldInteger(long long value, int width, int decimals, char *field);

} // namespace data
