// qd-gui natsort [--desc]: standard input, one text per line, into a
// one-column list ordered by the list's sorter, printed one per line.
#include "QdGuiCommand.h"

#include "gui/controls/LListView.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

int NatSort(int argc, char** argv)
{
    bool descending = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--desc") == 0) {
            descending = true;
        } else {
            std::fprintf(stderr, "usage: qd-gui natsort [--desc] < LINES\n");
            return 2;
        }
    }
    const LVColDynamicGlobal columns[] = {{"Name", 30, 0, true}, {nullptr, 0, 0, false}};
    LListViewManager list(columns);
    list.SuspendUpdates();
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        list.AddRow({line});
    }
    list.ResumeUpdates();
    LListViewSorter sorter;
    sorter.Attach(&list);
    list.SortRowsUsingColumn(0, !descending);
    for (int row = 0; row < list.RowCount(); ++row)
        std::printf("%s\n", list.GetItemText(row, 0).c_str());
    return std::fflush(stdout) == 0 ? 0 : 2;
}

QdGuiCommandRegistrar registrar("natsort", NatSort);

} // namespace
