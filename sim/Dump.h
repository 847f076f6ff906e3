// The state of the simulated handheld and of the program on it, as one line of JSON.
#pragma once

#include <optional>
#include <string>

#include "ScenarioParser.h"
#include "platform/sim/Simulation.h"

// Keys, in this order: clock, running, exit_code, screen, settings, magnifier, shell, windows, tray,
// hotkeys, cursor, capture, sounds, processes, clipboard, menu, registry, objects. settings, magnifier and shell
// are null while no program runs (magnifier also while it has no Magnifier).
std::string DumpJson();

// One of the program's three windows: by the running program's own handles, else by class name
// ("MAGNIFYINGGLASS", "MG_COLORPICKER", "MG_TAPE"); nullopt when it does not exist.
std::optional<platform::sim::WindowInfo> FindProgramWindow(scenario::Target target);
