// qd-gui rtf IN.rtf OUT.rtf: reads an RTF file into a rich edit view and
// writes what the view holds back out as RTF. Exit 1 when IN is not RTF or
// cannot be read, 2 on usage or when OUT cannot be written.
#include "QdGuiCommand.h"

#include "gui/controls/LControlStyles.h"
#include "gui/qt/text/LQtEditViewImpl.h"

#include <QApplication>

#include <cstdio>
#include <fstream>

namespace {

int Rtf(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: qd-gui rtf IN.rtf OUT.rtf\n");
        return 2;
    }
    LEditFlags flags;
    flags.richText = true;
    LQtEditViewImpl view(flags);
    if (!view.SetRtfTextFromFile(argv[0])) {
        std::fprintf(stderr, "qd-gui: %s: not an RTF file that can be read\n", argv[0]);
        return 1;
    }
    const std::string rtf = view.GetRtfText();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << rtf;
    out.close();
    if (!out) {
        std::fprintf(stderr, "qd-gui: %s: cannot be written\n", argv[1]);
        return 2;
    }
    std::printf("%s\n", view.Text().toUtf8().constData());
    return 0;
}

QdGuiCommandRegistrar registrar("rtf", Rtf);

} // namespace
