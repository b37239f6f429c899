#pragma once
// The toolbar peer: a QToolBar of item buttons, each with its label under
// it. A click sends the item's command to the host window; the arrow zone of
// a split drop-down sends the item's drop-down command, and a whole
// drop-down sends it wherever it is clicked.

#include "gui/framework/LToolBar.h"

#include <QPointer>
#include <QToolBar>
#include <QToolButton>

#include <map>

class LQtDropDownButton : public QToolButton
{
    Q_OBJECT
public:
    LQtDropDownButton(uint8_t kind, QWidget* parent = nullptr);
    void SetDropDownCommand(int32_t command) { dropDownCommand_ = command; }
    int32_t DropDownCommand() const { return dropDownCommand_; }
    // Whether the last press was in the arrow zone.
    bool ArrowClicked() const { return arrowClicked_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    uint8_t kind_;
    int32_t dropDownCommand_ = 0;
    bool arrowClicked_ = false;
};

class LQtToolbarImpl : public QObject, public LToolBar::Peer
{
    Q_OBJECT
public:
    // The toolbar goes on `host`'s layout top when CreateItems runs; `window`
    // receives the commands.
    LQtToolbarImpl(LWindow* window, QWidget* host, const std::string& identifier);
    ~LQtToolbarImpl() override;

    void SetItems(const std::vector<LToolBar::Item>* items) override;
    void ResetItems() override;
    void CreateItems() override;
    void ShowToolbar(bool show) override;
    bool IsToolbarVisible() const override;
    void EnableItem(int32_t command, bool enable) override;
    bool IsItemEnabled(int32_t command) const override;
    void ShowItem(int32_t command, bool show) override;
    bool IsItemVisible(int32_t command) const override;
    void SetItemLabel(int32_t command, const std::string& label) override;
    void SetItemIcon(int32_t command, int32_t icon) override;
    void SetItemTooltip(int32_t command, const std::string& tooltip) override;
    void SelectItem(int32_t command, bool select) override;
    bool IsItemSelected(int32_t command) const override;
    void SetDropDownCommand(int32_t command, int32_t dropDownCommand) override;
    bool DropDownMenuOrigin(int32_t command, double* x, double* y) const override;

    QToolBar* Bar() const { return bar_; }
    QToolButton* Button(int32_t command) const;
    // The item's rectangle in the host's coordinates, for a menu under it.
    QRect DropDownItemBounds(int32_t command) const;

protected:
    // A bar placed by hand on a content view follows the view's width.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry
    {
        QAction* action = nullptr;
        QToolButton* button = nullptr;
        int32_t command = 0;
        std::size_t row = 0;
    };
    void AddRow(std::size_t row);
    void Clicked(QToolButton* button, int32_t command);
    const Entry* Find(int32_t command) const;
    void SizeButton(QToolButton* button, uint8_t kind);

    LWindow* window_;
    QWidget* host_;
    QPointer<QToolBar> bar_; // owned, unless the host went first
    const std::vector<LToolBar::Item>* items_ = nullptr;
    std::vector<Entry> entries_;
    int32_t selected_ = 0;
};
