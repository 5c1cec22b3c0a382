#include "web/model.h"

#include <string>

#include "app/legs.h"
#include "gait/gait.h"

namespace {

// A leg's name by the initials of its words: "hind right" is "hr".
std::string initials(const char* name)
{
    std::string letters(1, name[0]);
    for (const char* c = name; *c != '\0'; ++c)
        if (*c == ' ')
            letters += c[1];
    return letters;
}

} // namespace

void writeModel(Json& json)
{
    json.open('{').key("legs").open('[');
    for (int leg = 0; leg < kLegCount; ++leg) {
        json.open('{').key("name").string(kLegNames[leg]);
        json.key("code").string(initials(kLegNames[leg]).c_str());
        json.key("partner").integer(partnerLeg(leg)).key("joints").open('[');
        for (int joint = 0; joint < kJointCount; ++joint)
            json.boolean(legHasJoint(leg, joint));
        json.close().close();
    }
    json.close().key("joints").open('[');
    for (const char* name : kJointNames)
        json.string(name);
    json.close().key("gaits").open('[');
    for (const Gait* gait : {&kWalkGait, &kRunGait}) {
        const char letter[2] = {gait->name[0], '\0'};
        json.open('{').key("name").string(gait->name).key("letter").string(letter);
        json.key("cycle")
            .integer(gait->cycleKeyframes)
            .key("stored")
            .integer(gait->storedKeyframes);
        json.key("increment")
            .integer(gait->substepIncrement)
            .key("steps")
            .integer(cycleSteps(*gait));
        json.close();
    }
    json.close().key("mostDegrees").number(kMostStoredDegrees).close();
}
