// Prints the program's model (web/model.h) as the page reads it from
// quadrupedModel(), for the tests and scripts that read the program's facts
// outside a browser:
//   print_model           the whole model as JSON
//   print_model GAIT KEY  one number of a gait ("walk" or "run"): cycle,
//                         stored, increment or steps
#include <cstdio>
#include <cstring>

#include "gait/gait.h"
#include "web/model.h"

int main(int argc, char** argv)
{
    if (argc == 1) {
        Json json;
        writeModel(json);
        std::puts(json.text());
        return 0;
    }
    const Gait* gait = argc == 3 && std::strcmp(argv[1], kWalkGait.name) == 0  ? &kWalkGait
                       : argc == 3 && std::strcmp(argv[1], kRunGait.name) == 0 ? &kRunGait
                                                                               : nullptr;
    const char* key = argc == 3 ? argv[2] : "";
    const int value = gait == nullptr                      ? -1
                      : std::strcmp(key, "cycle") == 0     ? gait->cycleKeyframes
                      : std::strcmp(key, "stored") == 0    ? gait->storedKeyframes
                      : std::strcmp(key, "increment") == 0 ? gait->substepIncrement
                      : std::strcmp(key, "steps") == 0     ? cycleSteps(*gait)
                                                           : -1;
    if (value < 0) {
        std::fprintf(stderr, "usage: %s [walk|run cycle|stored|increment|steps]\n", argv[0]);
        return 2;
    }
    std::printf("%d\n", value);
    return 0;
}
