// qd-gui keyname KEYS: the key code of a key sequence such as "Ctrl+Shift+/"
// and the name shortcuts show for it. Exit 1 when the key has no code.
#include "QdGuiCommand.h"

#include "gui/framework/LKey.h"
#include "gui/qt/LQtKeys.h"

#include <cstdio>

namespace {

int KeyName(int argc, char** argv)
{
    if (argc < 1) {
        std::fprintf(stderr, "usage: qd-gui keyname KEYS   (for example Ctrl+Shift+/)\n");
        return 2;
    }
    LKey key;
    if (!LQtKeyFromSequenceText(QString::fromUtf8(argv[0]), &key)) {
        std::fprintf(stderr, "qd-gui: \"%s\" has no key code\n", argv[0]);
        return 1;
    }
    std::printf("0x%08X %s\n", key.code, LKeyName(key).c_str());
    return 0;
}

QdGuiCommandRegistrar registrar("keyname", KeyName);

} // namespace
