#pragma once
// qd-disc's subcommands register themselves in the table the developer tools
// share (QdRegistrar, QdFail, QdOption, QdFlag, QdNumber).
#include "QdTool.h"
