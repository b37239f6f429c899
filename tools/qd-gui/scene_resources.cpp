// qd-gui shot resources: every picture the program loads by number, each at
// the size it is drawn at (icons at 32 points, drawings at their own size),
// with its number and meaning under it and where it came from (theme or ours).
#include "QdGuiScene.h"

#include "gui/controls/LImageResources.h"
#include "gui/qt/images/LQtImageResource.h"

#include <QPainter>
#include <QWidget>

#include <vector>

namespace {

constexpr int kSheetWidth = 960;
constexpr int kGap = 8;
constexpr int kTextHeight = 34;

struct Cell
{
    const LImageResource* entry;
    QRect box;     // whole cell
    QSize picture; // points
};

class ResourceSheet : public QWidget
{
public:
    ResourceSheet()
    {
        size_t count = 0;
        const LImageResource* table = LImageResourceTable(&count);
        int x = kGap, y = kGap, rowHeight = 0;
        for (size_t i = 0; i < count; ++i) {
            QSize picture = LQtImageResourceNaturalSize(table[i].id);
            if (picture.width() <= 48 && picture.height() <= 48)
                picture = QSize(32, 32);
            const QSize cell(std::max(104, picture.width() + 12), picture.height() + kTextHeight + 12);
            if (x + cell.width() > kSheetWidth - kGap) {
                x = kGap;
                y += rowHeight + kGap;
                rowHeight = 0;
            }
            cells_.push_back({&table[i], QRect(QPoint(x, y), cell), picture});
            x += cell.width() + kGap;
            rowHeight = std::max(rowHeight, cell.height());
        }
        resize(kSheetWidth, y + rowHeight + kGap);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(246, 247, 249));
        const qreal ratio = devicePixelRatioF();
        QFont small = font();
        small.setPixelSize(10);
        for (const Cell& cell : cells_) {
            painter.setPen(QColor(210, 214, 220));
            painter.setBrush(Qt::white);
            painter.drawRoundedRect(QRectF(cell.box).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
            LQtImageOrigin origin = LQtImageOrigin::kDrawn;
            QImage image =
                LQtRenderImageResource(cell.entry->id, (QSizeF(cell.picture) * ratio).toSize(), &origin);
            image.setDevicePixelRatio(ratio);
            const QSizeF shown = QSizeF(image.size()) / ratio;
            painter.drawImage(QPointF(cell.box.center().x() + 1 - shown.width() / 2, cell.box.top() + 6),
                              image);
            const QRect text(cell.box.left() + 2, cell.box.bottom() - kTextHeight, cell.box.width() - 4,
                             kTextHeight);
            const char* from = origin == LQtImageOrigin::kTheme  ? "theme"
                               : origin == LQtImageOrigin::kFile ? "ours"
                                                                 : "MISSING";
            painter.setPen(origin == LQtImageOrigin::kDrawn ? QColor(200, 0, 0) : QColor(30, 30, 30));
            QFont bold = font();
            bold.setPixelSize(12);
            bold.setBold(true);
            painter.setFont(bold);
            painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop,
                             QStringLiteral("%1 (%2)").arg(cell.entry->id).arg(QLatin1String(from)));
            painter.setFont(small);
            painter.setPen(QColor(90, 90, 90));
            painter.drawText(text.adjusted(0, 15, 0, 0), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                             QString::fromUtf8(cell.entry->meaning));
        }
    }

private:
    std::vector<Cell> cells_;
};

QD_GUI_SCENE("resources", [](QdGuiSceneContext& context) {
    auto* sheet = new ResourceSheet;
    sheet->show();
    context.widget = sheet;
    context.cleanup = [sheet] { delete sheet; };
    return true;
});

} // namespace
