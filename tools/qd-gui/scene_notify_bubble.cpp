// The program's own notice of finished work, as it shows when the desktop
// has no notification service: the bubble alone, grabbed where it stands.
#include "QdGuiScene.h"

#include "gui/framework/LEventPump.h"
#include "gui/framework/LNotifyBubble.h"
#include "gui/qt/app/LNotifyBubbleImpl.h"

namespace {

bool NotifyBubbleScene(QdGuiSceneContext& context)
{
    auto* bubble = new LNotifyBubble();
    context.cleanup = [bubble] { delete bubble; };
    bubble->Show("Your recordings have finished processing", "Quorin", 304);
    if (!bubble->IsShown())
        return false;
    LWaitWithMessagePump([] { return false; }, true, 50);
    context.captured = static_cast<LNotifyBubbleImpl*>(bubble->NativeWindow())->grab().toImage();
    return true;
}

QD_GUI_SCENE("notify-bubble", NotifyBubbleScene);

} // namespace
