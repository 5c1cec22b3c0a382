#include "tools/edits.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <regex>
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

// One edit, "w2.hr.lower-50", as web/page/grammar.js reads it: a gait's
// letter, a stored keyframe (no leading zero), ".", a leg's initials, ".", a
// joint's name, then degrees with at most one decimal; the table refuses a
// keyframe it does not store, a joint that is not drawn and an angle past 180.
bool applyEdit(const std::string& edit)
{
    static const std::regex kEdit(R"(^([a-z]*)(\d*)\.([a-z]*)\.([a-z]*)(.*)$)");
    static const std::regex kKeyframe(R"(^(0|[1-9]\d*)$)");
    static const std::regex kAngle(R"(^-?(0|[1-9]\d*)(\.\d)?$)");
    std::smatch part;
    if (!std::regex_match(edit, part, kEdit) || !std::regex_match(part.str(2), kKeyframe) ||
        !std::regex_match(part.str(5), kAngle))
        return false;
    const Gait* gait = part.str(1) == std::string(1, kWalkGait.name[0])  ? &kWalkGait
                       : part.str(1) == std::string(1, kRunGait.name[0]) ? &kRunGait
                                                                         : nullptr;
    const int leg =
        find(kLegNames, [&](const char* name) { return initials(name) == part.str(3); });
    const int joint = find(kJointNames, [&](const char* name) { return name == part.str(4); });
    return gait != nullptr && leg >= 0 && joint >= 0 &&
           setStoredAngle(*gait, std::atoi(part.str(2).c_str()), leg, joint,
                          std::strtod(part.str(5).c_str(), nullptr));
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
