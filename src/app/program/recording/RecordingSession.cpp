#include "app/program/recording/RecordingSession.h"

#include "app/program/recording/RecordingSessionDialog.h"

void LRunRecordingSession(LWindow* parent)
{
    RecordingSessionDialog dialog(parent != nullptr ? parent->GetView() : nullptr);
    if (!dialog.CreateFromTemplate(RecordingSessionDialog::Template()))
        return;
    dialog.DoModal(parent, LPlacementCenterOnParent);
}
