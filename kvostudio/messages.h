#pragma once
// User-visible messages: the string table compiled into the program, looked
// up by id and used as printf-style formats.

#include <string>

// The string-table entry for id; "" (never null) when there is none.
const char* LoadStringTableEntry(unsigned int id);

// The entry for id used as a printf-style format over the arguments; empty
// when the id is not in the table.
std::string LoadFormatString(unsigned int id, ...);
