#include "app/window/MenuCommands.h"

#include <array>
#include <cstdint>

namespace moxel {

namespace {

struct Command {
    std::string_view name;
    void (*run)(MainWindowEvents&, std::int16_t);
};

constexpr std::array<Command, 13> commands{{
    {"MnuMidiDeviceReFind",
     [](MainWindowEvents& e, std::int16_t i) { e.MnuMidiDeviceReFind_Click(i); }},
    {"MnuMidiDeviceDefault",
     [](MainWindowEvents& e, std::int16_t i) { e.MnuMidiDeviceDefault_Click(i); }},
    {"MnuMidiChDefault", [](MainWindowEvents& e, std::int16_t) { e.MnuMidiChDefault_Click(); }},
    {"MnuAllSoundOff", [](MainWindowEvents& e, std::int16_t) { e.MnuAllSoundOff_Click(); }},
    {"MnuMidiSystem", [](MainWindowEvents& e, std::int16_t i) { e.MnuMidiSystem_Click(i); }},
    {"MnuTopMost", [](MainWindowEvents& e, std::int16_t) { e.MnuTopMost_Click(); }},
    {"MnuUpdateInCh", [](MainWindowEvents& e, std::int16_t) { e.MnuUpdateInCh_Click(); }},
    {"MnuShowOption", [](MainWindowEvents& e, std::int16_t i) { e.MnuShowOption_Click(i); }},
    {"MnuVersionInfo", [](MainWindowEvents& e, std::int16_t) { e.MnuVersionInfo_Click(); }},
    {"MnuShowHelp", [](MainWindowEvents& e, std::int16_t) { e.MnuShowHelp_Click(); }},
    {"MnuShowWeb", [](MainWindowEvents& e, std::int16_t) { e.MnuShowWeb_Click(); }},
    {"MnuHSNet", [](MainWindowEvents& e, std::int16_t i) { e.MnuHSNet_Click(i); }},
    {"MnuAppExit", [](MainWindowEvents& e, std::int16_t) { e.MnuAppExit_Click(); }},
}};

} // namespace

bool runMenuCommand(MainWindowEvents& events, std::string_view name, int index) {
    for (const Command& command : commands) {
        if (command.name == name) {
            command.run(events, static_cast<std::int16_t>(index));
            return true;
        }
    }
    return false;
}

} // namespace moxel
