#pragma once
// Numbers as private-profile files store them: integers in decimal, reals
// as "%f" text with a '.' whatever the user's locale.

#include <optional>
#include <string>
#include <string_view>

namespace platform::ini {

// Optional sign, then digits up to the first non-digit; 0 when there are no
// digits. Values beyond the int range stop at its ends.
int ParseInt(std::string_view text);

// Decimal text of the value.
std::string FormatInt(int value);

// The value with six decimals ("-200.000000"); nullopt for NaN and
// infinities, which no reader could take back.
std::optional<std::string> FormatReal(double value);

// The longest leading decimal real of the text (after blanks, with an
// optional sign and exponent), read with '.' as the decimal point; 0 when
// there is none. Infinities, NaN and values out of float range are not
// finite settings and read as 0 too.
float ParseReal(std::string_view text);

}  // namespace platform::ini
