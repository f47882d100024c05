#pragma once
// Values inside url-encoded form bodies. Every byte but the unreserved
// letters, digits and "-._~" is written as %XX, so that a value holding
// '&', '=', '+', '%' or a line break stays one value of one field.

#include <string>
#include <string_view>

std::string FormEncode(std::string_view value);
