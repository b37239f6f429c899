#pragma once
// A tab view that tells its window about a change of tab twice: the
// "selecting" command while the old tab is still current, then the
// "selected" command once the new tab is. A command of -1 is not sent.

#include <QTabWidget>

#include <cstdint>

class LQtTabViewImpl : public QTabWidget
{
    Q_OBJECT
public:
    explicit LQtTabViewImpl(QWidget* parent = nullptr);

    void SetSelectingCommand(int32_t command) { selectingCommand_ = command; }
    void SetSelectedCommand(int32_t command) { selectedCommand_ = command; }
    int32_t SelectingCommand() const { return selectingCommand_; }
    int32_t SelectedCommand() const { return selectedCommand_; }

    // A tab with an empty page (or the given page); returns its index.
    int AddTab(const char* label, QWidget* page = nullptr);
    int InsertTab(const char* label, int index, QWidget* page = nullptr);
    void RemoveTab(int index);
    // Sends the two commands around the change; nothing for a missing index
    // or the current tab.
    void SelectTab(int index);
    int GetCurrentTab() const { return currentIndex(); }
    // Label into a 260-byte buffer, cut between characters ("" when missing).
    void GetTabLabel(int index, char* label) const;
    void SetTabLabel(int index, const char* label);
    int GetTabHeight() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int32_t selectingCommand_ = -1;
    int32_t selectedCommand_ = -1;
};
