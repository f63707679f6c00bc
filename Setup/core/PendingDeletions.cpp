// The system's list of files to delete when Windows next starts.
#include "PendingDeletions.h"

#include <algorithm>

namespace setup {

namespace {

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The NUL-terminated string at `at` (or up to the end), and `at` moved past it.
std::u16string_view Next(std::u16string_view list, std::size_t& at) {
    const std::size_t end = std::min(list.find(u'\0', at), list.size());
    const std::u16string_view text = list.substr(at, end - at);
    at = std::min(end + 1, list.size());
    return text;
}

}  // namespace

std::u16string WithoutPendingDeletion(std::u16string_view list, std::u16string_view path) {
    const std::u16string marked = u"\\??\\" + std::u16string(path);
    std::u16string kept;
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t pairStart = at;
        const std::u16string_view source = Next(list, at);
        if (source.empty()) {
            // The list's end; anything after it that is no pair is kept as it is.
            const std::u16string_view rest = list.substr(pairStart);
            if (rest.find_first_not_of(u'\0') != std::u16string_view::npos) {
                kept += rest;
            }
            return kept;
        }
        const std::u16string_view destination = Next(list, at);
        if (!(destination.empty() && (SameText(source, marked) || SameText(source, path)))) {
            kept += list.substr(pairStart, at - pairStart);
            if (kept.back() != u'\0') {
                kept += u'\0';
            }
        }
    }
    return kept;
}

}  // namespace setup
