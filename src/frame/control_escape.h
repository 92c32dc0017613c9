#pragma once

#include <string>
#include <string_view>

// Texts from a server end up in the log and on terminals, where an ESC or a CR could rewrite
// what the user sees. C0 bytes and DEL become "\xNN" (two lower-case hex digits); every other
// byte, '\' included, stays as it is. With keepLineBreaks, CR LF pairs stay: the program's own
// texts break lines so, and no server text can hold one (its lines end at LF).
std::string EscapeControlCharacters(std::string_view text, bool keepLineBreaks = false);

// True when the text holds a C0 byte or DEL.
bool HasControlCharacters(std::string_view text);
