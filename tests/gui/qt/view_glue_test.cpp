// The product error box over a window, and control texts by window.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/framework/LViewGlue.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

TEST(ViewGlue, ProductErrorOverTheWindow)
{
    GuiApp();
    PaintHostWindow window;
    window.CreateCocoaWindow(300, 200, kWindowStyleTitled, false, nullptr);
    window.ShowModeless(nullptr, LPlacementNone);
    QString title, informative;
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(30, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->text();
        title.remove(QStringLiteral("<b>")).remove(QStringLiteral("</b>")); // shown in bold
        informative = box->informativeText();
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        box->buttons()[0]->click();
    });
    LMessageBoxProductErrorForWindow(&window, "The file could not be written.");
    EXPECT_EQ(title, QStringLiteral("Quorin"));
    EXPECT_EQ(informative, QStringLiteral("The file could not be written."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);

    window.AddStaticText(5, "Before");
    LSetControlText(&window, 5, "After");
    char text[260] = {};
    window.GetControlText(5, text);
    EXPECT_STREQ(text, "After");
    LSetControlText(nullptr, 5, "Nothing");
    window.EndDialog(kCommandCancel);
}

} // namespace
