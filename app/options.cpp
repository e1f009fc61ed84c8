#include "app/options.h"

namespace quellon {

std::string optionsHelp(std::span<const ProgramOption> options) {
    std::string text;
    for (const ProgramOption& option : options) {
        text += std::string("  ") + option.name + " " + option.valueName + "\n" + option.help;
    }
    return text;
}

}  // namespace quellon
