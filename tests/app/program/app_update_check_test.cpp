// Help > "Check for New Version" on the main window asks the maker's server
// (here the test CA's server on 127.0.0.1, through QUORIN_SITE) and answers.

#include "AppTestSupport.h"
#include "app/program/LProgramCommands.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LMainMenu.h"
#include "online/DialogAnswerer.h"
#include "online/OnlineTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quorin::test;

TEST(AppUpdateCheck, TheHelpMenuItemChecksTheServer)
{
    TempHome home;
    GuiApp();
    TempDir dir;
    TestCertificates certs(dir.Path());
    ASSERT_TRUE(certs.Made());
    const std::string versionFile = dir.Path("v.txt");
    std::ofstream(versionFile) << "version=3.50&info=https://x/news&download=https://x/get";
    TestServer server;
    std::vector<std::string> options = certs.ServerOptions("good");
    options.insert(options.end(), {"--version-file", versionFile});
    ASSERT_TRUE(server.Start(dir.Path(), options));
    setenv("QUORIN_SITE", ("https://localhost:" + std::to_string(server.Port())).c_str(), 1);

    FakeMainWindow window;
    ASSERT_TRUE(window.CreateAndInitMainWindow());
    window.ShowWindow(true);
    DialogAnswerer answerer;
    answerer.Expect("Updated Version Available", "Cancel");
    answerer.Start();
    window.SendCommand(kCmdCheckForUpdates);
    EXPECT_TRUE(answerer.Done());

    // Without the server: no version information.
    server.Stop();
    DialogAnswerer unavailable;
    unavailable.Expect("No Version Information", "OK");
    unavailable.Start();
    window.SendCommand(kCmdCheckForUpdates);
    EXPECT_TRUE(unavailable.Done());
    unsetenv("QUORIN_SITE");
    LSetMainMenu(nullptr);
}
