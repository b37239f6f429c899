// A warning with three buttons and the "do not show again" box, grabbed while
// it runs and answered with its first button.
#include "QdGuiScene.h"

#include "gui/framework/LEventPump.h"
#include "gui/framework/LMessageBox.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

bool Build(QdGuiSceneContext& context)
{
    LMessageBox box(nullptr,
                    "You have not saved your recordings. The recordings will be lost if you click 'End'.",
                    "End the wizard?");
    box.style = LMessageBoxWarningStyle;
    box.SetButton(1, "End without Saving");
    box.SetButton(2, "No");
    box.SetButton(3, "Save First");
    box.SetSuppression("Do not show this message again", false);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        poll.stop();
        context.capture(modal);
        modal->close();
    });
    poll.start(20);
    box.Show();
    return !context.captured.isNull();
}

} // namespace

QD_GUI_SCENE("message", Build);
