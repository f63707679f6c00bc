// How file-system paths travel through all three programs: as UTF-8 in std::string, from the
// moment a path comes out of the system until it goes back in. Only the Win32 layer converts,
// and only at the call: a path goes to and comes from the W functions as UTF-16 (Wide, Utf8).
// Texts that are single-byte ANSI by design (file contents, window texts) stay ANSI; where such
// a text becomes part of a path (a profile name, the page file name in Leq.ini) it is converted
// from the system code page first (Utf8FromAnsi), and a path shown in a window or written into
// an ANSI file is converted back (AnsiFromUtf8), its unrepresentable letters as the system
// shows them. So a user name with any letter works, whatever the system's code page.
// The UTF-8/UTF-16 half is OS-free (Utf16.h); the code-page half needs the system. Qel's OS-free
// logic reaches the code-page half through its file-system interface (PathFromText,
// TextFromPath), so it never holds a path in any other form.
#pragma once

#include <string>
#include <string_view>

namespace pellucor {

// UTF-8 to UTF-16 for a W call; an invalid byte becomes U+FFFD (it can name no existing file).
std::wstring Wide(std::string_view utf8);
// UTF-16 from a W call to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view wide);
// A text in the system's ANSI code page, as a UTF-8 path or name.
std::string Utf8FromAnsi(std::string_view ansi);
// A UTF-8 path as ANSI text, for a window or an ANSI file: letters the code page lacks come out
// as the system's best fit or its default character.
std::string AnsiFromUtf8(std::string_view utf8);

}  // namespace pellucor
