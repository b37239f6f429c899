#pragma once
// qd-gui subcommands other than list and shot register here, one file each.

#include <functional>
#include <map>
#include <string>

// argc/argv after the subcommand name; the result is the exit code.
using QdGuiCommand = std::function<int(int argc, char** argv)>;

std::map<std::string, QdGuiCommand>& QdGuiCommands();

struct QdGuiCommandRegistrar
{
    QdGuiCommandRegistrar(const char* name, QdGuiCommand command)
    {
        QdGuiCommands()[name] = std::move(command);
    }
};
