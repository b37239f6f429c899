#pragma once
// A stand-in main window for the application's start-up, menus and commands:
// a real window that records what the application asks of it.

#include "app/program/about/LAboutBox.h"
#include "app/program/menus/LApplicationCommandHost.h"
#include "app/program/menus/LApplicationMenus.h"
#include "app/program/menus/LMainMenuTable.h"
#include "app/program/startup/LAcceleratorTables.h"
#include "gui/framework/LWindow.h"

#include <string>
#include <vector>

namespace quorin::test {

class FakeMainWindow : public LWindow, public LApplicationCommandHost
{
public:
    ~FakeMainWindow() override
    {
        ++*destroyed;
        if (IsWindow())
            DestroyWindow();
    }

    bool CreateAndInitMainWindow() override
    {
        ++createCalls;
        if (failCreate)
            return false;
        CreateCocoaWindow(600, 400, kWindowStyleTitled | kWindowStyleClosable | kWindowStyleResizable, false,
                          nullptr);
        SetTitle("Quorin");
        InitWindow(LPlacementNone, false);
        LBuildMainMenu(*this);
        LSetupMenus(*this, LMainMenuTable, kMainMenuTableCount, LMainAcceleratorTable, kMainAcceleratorCount);
        return true;
    }
    LWindow* GetMainWindow() override { return GetView() != nullptr ? this : nullptr; }
    void BringToFront() override
    {
        ++fronts;
        ShowWindow(true);
    }
    void OpenDocuments(const std::vector<std::string>& paths) override
    {
        opened.insert(opened.end(), paths.begin(), paths.end());
    }
    bool QueryQuit() override
    {
        ++quitQueries;
        return allowQuit;
    }
    void SetSystemQuit(bool on) override { systemQuit = on; }
    bool IsClosing() const override { return closingFlag; }
    LAboutBox* GetAboutBox() override { return &about; }
    void OnPreferences() override { ++preferences; }
    void OnQuitCancelled() override { ++quitCancelled; }
    bool IsToolbarVisible() const override { return toolbarVisible; }
    void ShowToolbar(bool show) override { toolbarVisible = show; }

    void OnCommand(int command, int extra) override
    {
        if (!LHandleApplicationCommand(*this, command, extra))
            LWindow::OnCommand(command, extra);
    }

    LAboutBox about;
    std::vector<std::string> opened;
    int createCalls = 0;
    int fronts = 0;
    int quitQueries = 0;
    int preferences = 0;
    int quitCancelled = 0;
    bool allowQuit = true;
    bool systemQuit = false;
    bool closingFlag = false;
    bool failCreate = false;
    bool toolbarVisible = true;
    int ownCounter = 0;
    int* destroyed = &ownCounter;
};

} // namespace quorin::test
