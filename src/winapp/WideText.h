#pragma once
// UTF-8 text, as the core libraries hold it, to and from the UTF-16 of the Windows API.

#include <string>
#include <string_view>

namespace ter5::winapp {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace ter5::winapp
