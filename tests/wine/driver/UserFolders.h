// Points one of the user's shell folders at another folder while the object lives, so a test
// can give the user folders named with any letters.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qeltest {

// A name with letters that no single-byte code page holds together (Polish and Cyrillic).
inline constexpr char kNameOutsideAnyCodePage[] = "Łukasz Жуков";

class RedirectedUserFolder {
public:
    // valueName as the shell's registry keys name the folder ("AppData", "Desktop"); the
    // folder (UTF-8) is made if missing. The values there were come back at the end.
    RedirectedUserFolder(const std::string& valueName, const std::string& folder);
    RedirectedUserFolder(const RedirectedUserFolder&) = delete;
    RedirectedUserFolder& operator=(const RedirectedUserFolder&) = delete;
    ~RedirectedUserFolder();

private:
    struct Value {
        DWORD type;
        std::wstring text;
    };
    std::wstring name_;
    std::optional<Value> saved_[2];  // per key; none when it had no such value
};

}  // namespace qeltest
