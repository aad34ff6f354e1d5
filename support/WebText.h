// The text of a fetched web body.
#pragma once

#include <string>
#include <string_view>

// The body as text: after a byte-order mark as UTF-8, UTF-16 LE or UTF-16 BE
// (an odd last byte dropped); without one as UTF-8 when the bytes before the
// first zero byte pass IsUtf8Text, else in the ANSI code page.
std::u16string DecodeUrlBody(std::string_view body);
