#include "tools/edits.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/legs.h"
#include "gait/gait.h"

namespace {

// A leg's name by the initials of its words: "hind right" is "hr".
std::string initials(const std::string& name)
{
    std::string letters(1, name[0]);
    for (std::size_t space = name.find(' '); space != std::string::npos;
         space = name.find(' ', space + 1))
        letters += name[space + 1];
    return letters;
}

// The index of the name for which match(name) holds, or -1.
template <std::size_t N, typename Match> int find(const char* const (&names)[N], Match match)
{
    for (std::size_t i = 0; i < N; ++i)
        if (match(names[i]))
            return static_cast<int>(i);
    return -1;
}

// The run of characters from at on of which keep holds; at moves past it.
template <typename Keep> std::string take(const std::string& text, std::size_t& at, Keep keep)
{
    const std::size_t start = at;
    while (at < text.size() && keep(static_cast<unsigned char>(text[at])) != 0)
        ++at;
    return text.substr(start, at - start);
}

// Whether the character at at is c; at moves past it if so.
bool skip(const std::string& text, std::size_t& at, char c)
{
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

// A whole number written with no leading zero: "0" or "12", not "" or "012".
bool isWhole(const std::string& digits)
{
    return !digits.empty() && (digits == "0" || digits[0] != '0');
}

// One edit, "w2.hr.lower-50", as web/page/grammar.js reads it: a gait's
// letter, a stored keyframe (no leading zero), ".", a leg's initials, ".", a
// joint's name, then degrees with at most one decimal; the table refuses a
// keyframe it does not store, a joint that is not drawn and an angle past 180.
// Scanned by hand: GCC's std::regex trips its own warnings under the sanitizers.
bool applyEdit(const std::string& edit)
{
    std::size_t at = 0;
    const std::string gaitLetter = take(edit, at, ::islower);
    const std::string keyframe = take(edit, at, ::isdigit);
    if (!isWhole(keyframe) || !skip(edit, at, '.'))
        return false;
    const std::string legInitials = take(edit, at, ::islower);
    if (!skip(edit, at, '.'))
        return false;
    const std::string jointName = take(edit, at, ::islower);
    const std::size_t angleStart = at;
    skip(edit, at, '-');
    if (!isWhole(take(edit, at, ::isdigit)) ||
        (skip(edit, at, '.') && take(edit, at, ::isdigit).size() != 1) || at != edit.size())
        return false;
    const Gait* gait = gaitLetter == std::string(1, kWalkGait.name[0])  ? &kWalkGait
                       : gaitLetter == std::string(1, kRunGait.name[0]) ? &kRunGait
                                                                        : nullptr;
    const int leg =
        find(kLegNames, [&](const char* name) { return initials(name) == legInitials; });
    const int joint = find(kJointNames, [&](const char* name) { return name == jointName; });
    return gait != nullptr && leg >= 0 && joint >= 0 &&
           setStoredAngle(*gait, std::atoi(keyframe.c_str()), leg, joint,
                          std::strtod(edit.c_str() + angleStart, nullptr));
}

} // namespace

bool applyEdits(const char* text)
{
    const std::string edits = text;
    if (edits.empty())
        return true;
    for (std::size_t start = 0; start <= edits.size();) {
        const std::size_t end = std::min(edits.find('_', start), edits.size());
        if (!applyEdit(edits.substr(start, end - start))) {
            std::fprintf(stderr, "not an edit: %s\n", edits.substr(start, end - start).c_str());
            return false;
        }
        start = end + 1;
    }
    return true;
}
