#pragma once
// Text conversions. The program's narrow "ANSI" texts are UTF-8; UTF-16 is
// used only where a library wants wide paths, UTF-8 bytes in web forms.

#include <cstdint>

// Writes text as UTF-8 to out and returns the number of bytes written (a
// zero follows them). Invalid sequences become U+FFFD. A text that needs
// more than 200 UTF-16 units or 200 UTF-8 bytes converts to nothing
// (result 0). out must hold more than 200 bytes; null text gives 0.
int AnsiToUtf8(const char* text, char* out);

// A new zero-filled array of (byte length + 2) UTF-16 units holding the
// text; null for a null text. The caller frees it with delete[].
char16_t* AnsiToWide(const char* text);
