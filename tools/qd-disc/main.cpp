#include "QdCommand.h"

int main(int argc, char** argv)
{
    return QdToolMain("qd-disc", argc, argv);
}
