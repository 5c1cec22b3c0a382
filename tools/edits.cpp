#include "tools/edits.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/legs.h"
#include "gait/gait.h"

namespace {

// A leg's name by the initials of its words: "hind right" is "hr".
std::string initials(const char* name)
{
    std::string letters(1, name[0]);
    for (const char* space = std::strchr(name, ' '); space != nullptr;
         space = std::strchr(space + 1, ' '))
        letters += space[1];
    return letters;
}

// The index of the name that matches, by match(name), or -1.
template <std::size_t N, typename Match> int find(const char* const (&names)[N], Match match)
{
    for (std::size_t i = 0; i < N; ++i)
        if (match(names[i]))
            return static_cast<int>(i);
    return -1;
}

// One edit: "w2.hr.lower-50".
bool applyEdit(const std::string& edit)
{
    char gait = 0;
    int keyframe = 0;
    int used = 0;
    char leg[3] = {};
    char joint[8] = {};
    if (std::sscanf(edit.c_str(), "%c%d.%2[a-z].%7[a-z]%n", &gait, &keyframe, leg, joint, &used) !=
            4 ||
        (gait != 'w' && gait != 'r'))
        return false;
    const char* angle = edit.c_str() + used;
    char* end = nullptr;
    const double degrees = std::strtod(angle, &end);
    const int legIndex = find(kLegNames, [&](const char* name) { return initials(name) == leg; });
    const int jointIndex =
        find(kJointNames, [&](const char* name) { return std::strcmp(name, joint) == 0; });
    return end != angle && *end == '\0' && legIndex >= 0 && jointIndex >= 0 &&
           setStoredAngle(gait == 'w' ? kWalkGait : kRunGait, keyframe, legIndex, jointIndex,
                          degrees);
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
