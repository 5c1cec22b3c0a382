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

// The figure's parts by their numbers (app/legs.h): {"name"}, with "leg" and
// "joint" for a leg's segment or paw; null for a front leg's missing upper one.
void writeParts(Json& json)
{
    static_assert(kBodyPart == 0 && kHeadPart == 1 && kTailPart == 2 && legPart(0, 0) == 3 &&
                      legPart(1, 0) == legPart(0, kJointCount - 1) + 1,
                  "the parts are written in their numbers' order");
    json.open('{').key("name").string("body").close();
    json.open('{').key("name").string("head").close();
    json.open('{').key("name").string("tail").close();
    for (int leg = 0; leg < kLegCount; ++leg)
        for (int joint = 0; joint < kJointCount; ++joint) {
            if (!legHasJoint(leg, joint)) {
                json.null();
                continue;
            }
            const std::string name = std::string(kLegNames[leg]) + " " + kJointNames[joint];
            json.open('{').key("name").string(name.c_str());
            json.key("leg").integer(leg).key("joint").integer(joint).close();
        }
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
            .integer(cycleSteps(*gait))
            .key("bodyBob")
            .boolean(gait->bodyBobShown);
        json.close();
    }
    json.close().key("parts").open('[');
    writeParts(json);
    json.close().key("mostDegrees").number(kMostStoredDegrees).close();
}
