// Every kind of control, enabled on the left and disabled on the right.
#include "QdGuiScene.h"

#include "gui/controls/LControlStyles.h"
#include "gui/controls/LPaintContext.h"
#include "gui/framework/LWindow.h"

namespace {

class ControlsWindow : public LWindow
{
public:
    bool ready = false;

    void OnCreate() override
    {
        // Ids: left column n, right column 500 + n.
        for (int column = 0; column < 2; ++column) {
            const int base = column * 500;
            AddButtonOfKind(base + 1, "Push Button", 0);
            AddCheckBox(base + 2, "Check Box");
            AddButtonOfKind(base + 3, "Toggle", 2);
            AddButtonOfKind(base + 4, "Cool Button", 3);
            AddRadioButton(base + 5, "Radio One", base + 1);
            AddRadioButton(base + 6, "Radio Two", base + 1);
            AddButtonOfKind(base + 7, "", 5);
            AddButtonOfKind(base + 8, "", 6);
            AddPullDownList(base + 9, -1);
            AddPullDownItem(base + 9, "Pull-down item");
            AddPullDownItem(base + 9, "Second item");
            AddComboBox(base + 10, false);
            AddComboBoxItem(base + 10, "Combo text");
            AddTextInput(base + 11, false);
            SetControlText(base + 11, "Text input");
            AddTextInput(base + 12, true);
            SetControlText(base + 12, "secret");
            AddUpDown(base + 13, false);
            SetUpDownRange(base + 13, 1, 10, 1);
            SetUpDownValue(base + 13, 7);
            AddGroupBox(base + 14, column == 0 ? "Enabled" : "Disabled");
            AddTabView(base + 15, -1, -1);
            InsertTab(base + 15, 0, "First Tab");
            InsertTab(base + 15, 1, "Second");
            LStaticTextStyle tail;
            tail.truncation = 2;
            CreateStaticTextEx(base + 16, "Static text cut at its tail when it is too long", &tail);
            const LRGBColor blue{0x2000, 0x4000, 0xC000};
            SetStaticTextColor(base + 16, &blue);
            CreateHyperLink(base + 17, "Hyperlink");
            AddTrackBar(base + 18, LTrackBarStyle{});
            SetTrackBarRange(base + 18, 0, 100);
            SetTrackBarPos(base + 18, 60);
            AddVolumeSlider(base + 19);
            LEditFlags edit;
            edit.border = true;
            edit.verticalScroller = true;
            AddEditViewNoRect(base + 20, &edit);
            SetControlText(base + 20, "Edit view with\nseveral lines of text");
            AddSeparator(base + 21, 0, -300, 100);
            SetCheck(base + 2, true);
            SetCheck(base + 3, true);
            SetCheck(base + 5, true);
        }
    }

    void OnReady() override
    {
        const int cw = static_cast<int>(CharWidthPx());
        const int ch = static_cast<int>(CharHeightPx());
        const int row = ch * 2;
        const int columnWidth = 34 * cw;
        for (int column = 0; column < 2; ++column) {
            const int base = column * 500;
            const int x = 2 * cw + column * (columnWidth + 2 * cw);
            const int inner = x + cw;
            SetControlRect(base + 14, x, ch / 2, columnWidth, 17 * row + ch);
            int y = ch / 2 + ch + ch / 2;
            SetControlRect(base + 1, inner, y, 15 * cw, row - 4);
            SetControlRect(base + 4, inner + 16 * cw, y, 15 * cw, row - 4);
            y += row;
            SetControlRect(base + 2, inner, y, 15 * cw, row - 4);
            SetControlRect(base + 3, inner + 16 * cw, y, 15 * cw, row - 4);
            y += row;
            SetControlRect(base + 5, inner, y, 15 * cw, row - 4);
            SetControlRect(base + 6, inner + 16 * cw, y, 15 * cw, row - 4);
            y += row;
            SetControlRect(base + 7, inner, y, 4 * cw, row - 4);
            SetControlRect(base + 8, inner + 5 * cw, y + ch / 4, 2 * cw, ch);
            y += row;
            SetControlRect(base + 9, inner, y, 31 * cw, row - 4);
            y += row;
            SetControlRect(base + 10, inner, y, 31 * cw, row - 4);
            y += row;
            SetControlRect(base + 11, inner, y, 31 * cw, row - 4);
            y += row;
            SetControlRect(base + 12, inner, y, 31 * cw, row - 4);
            y += row;
            SetControlRect(base + 13, inner, y, 10 * cw, row - 4);
            y += row;
            SetControlRect(base + 15, inner, y, 31 * cw, 3 * row);
            y += 3 * row + ch / 2;
            SetControlRect(base + 21, inner, y, 31 * cw, static_cast<int>(GetScaleFactor()));
            y += ch / 2;
            SetControlRect(base + 16, inner, y, 20 * cw, row - 4);
            SetControlRect(base + 17, inner + 21 * cw, y, 10 * cw, row - 4);
            y += row;
            SetControlRect(base + 18, inner, y, 15 * cw, row - 4);
            const int slider = static_cast<int>(17 * GetScaleFactor());
            SetControlRect(base + 19, inner + 16 * cw, y + (row - 4 - slider) / 2, 15 * cw, slider);
            y += row;
            SetControlRect(base + 20, inner, y, 31 * cw, 2 * row - 4);
            if (column == 1)
                for (int n = 1; n <= 21; ++n)
                    EnableControl(base + n, false);
        }
        ready = true;
    }
};

bool Build(QdGuiSceneContext& context)
{
    auto* window = new ControlsWindow();
    const int w = static_cast<int>(74 * window->CharWidthPx());
    const int h = static_cast<int>(37 * window->CharHeightPx());
    window->CreateCocoaWindow(w, h, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Controls");
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->ready; };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

} // namespace

QD_GUI_SCENE("controls", Build);
