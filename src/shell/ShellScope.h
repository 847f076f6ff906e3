// Makes a shell record the current one for the life of the scope (one run of the entry point).
#pragma once

#include "shell/ShellState.h"

class ShellScope {
public:
    explicit ShellScope(ShellState& state);
    ~ShellScope();
    ShellScope(const ShellScope&) = delete;
    ShellScope& operator=(const ShellScope&) = delete;

private:
    ShellState* previous_;
};
