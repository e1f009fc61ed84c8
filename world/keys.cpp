#include "world/keys.h"

namespace quellon {

int vk::named(std::string_view name) {
    struct Named {
        std::string_view name;
        int code;
    };
    static constexpr Named kKeys[] = {{"left", kLeft}, {"right", kRight}, {"up", kUp},
                                      {"down", kDown}, {"comma", kComma}, {"period", kPeriod}};
    for (const Named& key : kKeys) {
        if (key.name == name) {
            return key.code;
        }
    }
    return 0;
}

}  // namespace quellon
