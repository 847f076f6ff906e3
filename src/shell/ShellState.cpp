// The shell record of the running process.
#include "shell/ShellState.h"

#include "shell/ShellScope.h"

namespace {
ShellState* current = nullptr;
}  // namespace

ShellState& Shell() {
    static ShellState idle;  // stands in while no entry point runs, so that stray calls stay harmless
    return current ? *current : idle;
}

ShellScope::ShellScope(ShellState& state) : previous_(current) { current = &state; }
ShellScope::~ShellScope() { current = previous_; }
