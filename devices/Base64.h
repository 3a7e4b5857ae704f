// Base64 text of RFC 4648 (standard alphabet, "=" padding, no line breaks),
// as the Basic authorization of an HTTP request needs it.
#pragma once

#include <string>
#include <string_view>

std::string Base64Encode(std::string_view bytes);
