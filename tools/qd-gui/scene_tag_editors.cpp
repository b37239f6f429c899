// The tag editors over records with every field they show: the ID Tag
// dialog with a cover and four stars, the WAV Audio Tag Editor and Edit
// Audio Tags for three files.
#include "QdGuiScene.h"

#include "app/program/tags/AudioTagEditor.h"
#include "app/program/tags/EditAudioTagsDialog.h"
#include "app/program/tags/IdTagDialog.h"
#include "gui/qt/LQtView.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

// A record-sleeve picture: a dark disc with a red label on a warm ground.
std::string MakeCover()
{
    const QString path = QDir::temp().filePath("qd-gui-cover.png");
    QImage image(240, 240, QImage::Format_ARGB32);
    image.fill(QColor(226, 170, 90));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient disc(120, 120, 100);
    disc.setColorAt(0, QColor(60, 60, 60));
    disc.setColorAt(1, QColor(15, 15, 15));
    painter.setBrush(disc);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(120, 120), 100, 100);
    painter.setBrush(QColor(200, 40, 40));
    painter.drawEllipse(QPointF(120, 120), 34, 34);
    painter.setBrush(QColor(240, 240, 240));
    painter.drawEllipse(QPointF(120, 120), 4, 4);
    painter.end();
    image.save(path);
    return path.toStdString();
}

void FillRecord(LAudioTagMap& tags)
{
    const char* fields[][2] = {
        {"TITLE", "Harbour Lights"},
        {"ARTIST", "The Tidewater Trio"},
        {"ALBUMARTIST", "Tidewater"},
        {"ALBUM", "Night Ferry"},
        {"TRACKNUMBER", "3/12"},
        {"DISKNUMBER", "1/2"},
        {"GENRE", "Jazz"},
        {"CATEGORY", "MUS, MUSC <Music>"},
        {"COMPOSER", "M. Ellery"},
        {"DATE", "1978-10-14"},
        {"TIME", "20:30:00"},
        {"COMMENT", "Side one, recorded from the 1978 pressing.\nLight crackle."},
        {"RATING", "196"},
        {"PLAYCOUNT", "12"},
        {"BPM", "96"},
        {"PRODUCER", "Harbour Records"},
        {"COPYRIGHT", "(c) 1978 Harbour Records"},
        {"ENCODER", "LAME 3.100"},
        {"ENCODEDBY", "Quorin"},
        {"URL", "https://example.org/night-ferry"},
        {"CLASSIFICATION", "Archive"},
        {"OUTCUE", "fade"},
        {"CLIENTID", "HR-1978"},
    };
    for (const auto& field : fields)
        tags.Set(field[0], field[1]);
}

template <typename W> void Finish(QdGuiSceneContext& context, W* window, std::shared_ptr<LAudioTagMap> tags)
{
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window, tags] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
}

bool BuildIdTag(QdGuiSceneContext& context)
{
    auto tags = std::make_shared<LAudioTagMap>();
    FillRecord(*tags);
    tags->Set("IMAGE", MakeCover().c_str());
    auto* dialog = new IdTagDialog(tags.get(), ".mp3");
    if (!dialog->CreateFromTemplate(IdTagDialog::Template()))
        return false;
    dialog->ShowModeless(nullptr, LPlacementCenterOnScreen);
    Finish(context, dialog, tags);
    return dialog->IsWindow();
}

bool BuildWav(QdGuiSceneContext& context)
{
    LAudioTagMap tags;
    FillRecord(tags);
    tags.Set("ENDDATE", "1978-10-14");
    tags.Set("ENDTIME", "20:34:10");
    AudioTagEditorSheet sheet(&tags, ".wav");
    // The sheet runs modally: it is grabbed from inside its loop.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&context, &poll, &sheet] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll.stop();
        QTimer::singleShot(60, modal, [&context, modal, &sheet] {
            context.capture(modal);
            sheet.SendCommand(kCommandCancel);
        });
    });
    poll.start(20);
    sheet.DoModal(nullptr, "Audio Tag Editor", 0);
    return !context.captured.isNull();
}

bool BuildMulti(QdGuiSceneContext& context)
{
    auto tags = std::make_shared<LAudioTagMap>();
    tags->Set("ARTIST", "The Tidewater Trio");
    tags->Set("ALBUM", "Night Ferry");
    tags->Set("COPYRIGHT", "(c) 1978 Harbour Records");
    tags->Set("COMMENT", "Transferred from the 1978 pressing.");
    auto* dialog = new EditAudioTagsDialog(tags.get());
    if (!dialog->CreateFromTemplate(EditAudioTagsDialog::Template()))
        return false;
    dialog->ShowModeless(nullptr, LPlacementCenterOnScreen);
    Finish(context, dialog, tags);
    return dialog->IsWindow();
}

QD_GUI_SCENE("tag-editor", BuildIdTag);
QD_GUI_SCENE("wav-tag-editor", BuildWav);
QD_GUI_SCENE("multi-tag-editor", BuildMulti);

} // namespace
