#include "QdImageCommand.h"

#include <QCoreApplication>

#include <cstdio>

int QdImageRefused(const char* path, const char* cause)
{
    std::fprintf(stderr, "qd-image: %s: %s\n", path, cause);
    return 1;
}

namespace {

// Qt finds its image plugins through the application object.
void MakeApplication(int, char** argv)
{
    static int qtArgc = 1;
    static QCoreApplication app(qtArgc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    return QdToolMain("qd-image", argc, argv, &MakeApplication);
}
