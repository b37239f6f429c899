// The control API for list views: a list is an LQtListViewImpl carrying the
// control id; its manager (rows, columns, selection) arrives with the columns.

#include "foundation/text/LUtf8.h"
#include "gui/controls/LListView.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtControls.h"
#include "gui/qt/lists/LQtListControlClickHandler.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <QHeaderView>

#include <cmath>
#include <cstdarg>
#include <string>
#include <vector>

namespace {

LQtListViewImpl* FindList(const LWindow* window, int id)
{
    return qobject_cast<LQtListViewImpl*>(LQtFindControl(LQtWidget(window->GetView()), id));
}

LListViewManager* FindManager(const LWindow* window, int id)
{
    LQtListViewImpl* view = FindList(window, id);
    return view ? view->List() : nullptr;
}

char* CopyOut(const std::string& text, char* buffer)
{
    if (buffer)
        LUtf8CopyWhole(buffer, text.c_str(), 260);
    return buffer;
}

// The character width of the window's font in points (8 until measured).
double CharWidthPoints(const LWindow* window)
{
    const double scale = window->GetScaleFactor();
    const double width = window->CharWidthPx() / (scale > 0 ? scale : 1);
    return width > 0 ? width : 8;
}

// Selection and sort calls act on the current rows, also while a burst of
// additions has not been shown yet.
void Flush(LQtListViewImpl* view)
{
    if (view->ListModel())
        view->ListModel()->FlushReload();
}

} // namespace

void LWindow::AddListView(int id, const LListFlags& flags, int x, int y, int w, int h)
{
    QWidget* content = LQtWidget(GetView());
    if (!content)
        return;
    auto* view = new LQtListViewImpl(this, flags, content);
    LQtSetControlId(view, id);
    view->show();
    const double scale = GetScaleFactor();
    view->setGeometry(static_cast<int>(std::lround(x / scale)), static_cast<int>(std::lround(y / scale)),
                      static_cast<int>(std::lround(w / scale)), static_cast<int>(std::lround(h / scale)));
}

void LWindow::AddListViewNoRect(int id, const LListFlags& flags)
{
    // Parked above the view until the layout places it.
    const double scale = GetScaleFactor();
    AddListView(id, flags, 0, static_cast<int>(-300 * scale), static_cast<int>(500 * scale),
                static_cast<int>(30 * scale));
}

LListViewManager* LWindow::GetListView(int id) const
{
    return FindManager(this, id);
}

void LWindow::SetListViewColumns(int id, const LVColDynamicGlobal* columns, const char* section)
{
    LQtListViewImpl* view = FindList(this, id);
    if (!view)
        return;
    auto list = std::make_unique<LListViewManager>(columns, id);
    list->SetSection(section);
    const double charWidth = CharWidthPoints(this);
    list->SetupColumnWidths(charWidth, section);
    list->AdjustColumns(charWidth, view->viewport()->width());
    LWindow* self = this;
    LListViewManager* raw = list.get();
    list->SetSelectionChangeHandler([self, raw] {
        // An id below 0 delivers no command, only the control update.
        if (raw->selectionChangeCommand >= 0)
            self->SendCommand(raw->selectionChangeCommand);
        else if (self->IsVisible())
            self->UpdateControls();
    });
    list->SetCommandSender([self](int command) {
        if (command >= 0)
            self->SendCommand(command);
        else if (self->IsVisible())
            self->UpdateControls();
    });
    list->SetEditEndedCallback([self] {
        if (LWindow* top = self->GetTopLevelWindow())
            top->Redraw();
    });
    view->AdoptList(std::move(list));
}

void LWindow::SaveListViewColumnWidths(int id)
{
    if (LListViewManager* list = FindManager(this, id))
        list->SaveColumnWidths(list->Section());
}

void LWindow::ReleaseListView(int id)
{
    LQtListViewImpl* view = FindList(this, id);
    if (!view)
        return;
    view->DestroyClickHandler();
    view->AdoptList(nullptr);
}

void LWindow::ResizeListViewColumns(int id, int columnCount, int stretchColumn, int minWidth)
{
    LQtListViewImpl* view = FindList(this, id);
    if (!view || !view->List() || !IsWindow())
        return;
    view->StretchColumn(columnCount, stretchColumn, minWidth / GetScaleFactor());
}

void LWindow::SetListViewColumnWidth(int id, int column, int width)
{
    LQtListViewImpl* view = FindList(this, id);
    if (!view || !view->List())
        return;
    view->List()->SetColumnWidth(column, width);
    view->ApplyColumnWidths();
}

void LWindow::SetListViewColumnEditable(int id, int column, bool editable)
{
    if (LListViewManager* list = FindManager(this, id)) {
        list->SetColumnEditable(column, editable);
        list->RequestReload();
    }
}

void LWindow::SetListViewDefaultText(int id, const char* text)
{
    if (LQtListViewImpl* view = FindList(this, id))
        view->SetDefaultText(QString::fromUtf8(text ? text : ""));
}

void LWindow::SetListViewAlternatingRows(int id)
{
    if (LQtListViewImpl* view = FindList(this, id))
        view->setAlternatingRowColors(true);
}

void LWindow::SetListViewImages(int id, const int* imageIds)
{
    LListViewManager* list = FindManager(this, id);
    if (!list || !imageIds)
        return;
    std::vector<int> ids = list->Images();
    for (; *imageIds != 0; ++imageIds)
        ids.push_back(*imageIds);
    list->SetImages(std::move(ids));
}

void LWindow::SetListViewBackgroundImage(int id, int resourceId)
{
    LQtListViewImpl* view = FindList(this, id);
    if (!view)
        return;
    if (resourceId == 0) {
        view->SetBackgroundImage({});
        return;
    }
    const double scale = GetScaleFactor();
    QImage image = LQtLoadImageResource(resourceId, static_cast<int>(128 * scale));
    image.setDevicePixelRatio(scale);
    view->SetBackgroundImage(image);
}

void LWindow::DeleteAllListViewRows(int id)
{
    if (LListViewManager* list = FindManager(this, id))
        list->DeleteAllRows();
}

int LWindow::AddListViewRow(int id, const char* text0, ...)
{
    LListViewManager* list = FindManager(this, id);
    if (!list || !text0)
        return -1;
    std::vector<std::string> texts{text0};
    va_list args;
    va_start(args, text0);
    while (const char* text = va_arg(args, const char*))
        texts.emplace_back(text);
    va_end(args);
    if (texts.size() > static_cast<size_t>(std::max(list->ColumnCount(), 1)))
        texts.resize(static_cast<size_t>(std::max(list->ColumnCount(), 1)));
    return list->AddRow(texts);
}

int LWindow::AddListViewItem(int id, const char* text, int image, intptr_t data, int)
{
    LListViewManager* list = FindManager(this, id);
    return list ? list->AddItem(text, image, data) : -1;
}

void LWindow::SetListViewItemText(int id, int row, int column, const char* text)
{
    if (LListViewManager* list = FindManager(this, id))
        list->SetItemText(row, column, text ? text : "");
}

void LWindow::SetListViewRowText(int id, int row, const char* text)
{
    SetListViewItemText(id, row, 0, text);
}

char* LWindow::GetListViewRowText(int id, int row, char* buffer) const
{
    LListViewManager* list = FindManager(this, id);
    return CopyOut(list ? list->GetItemText(row, 0) : std::string(), buffer);
}

char* LWindow::GetListViewItemText(int id, int row, int column, char* buffer) const
{
    LListViewManager* list = FindManager(this, id);
    if (!list) {
        CopyOut({}, buffer);
        return nullptr;
    }
    return CopyOut(list->GetItemText(row, column), buffer);
}

void LWindow::SetListViewItemImage(int id, int row, int image)
{
    SetListViewCellImage(id, row, 0, image);
}

void LWindow::SetListViewCellImage(int id, int row, int column, int image)
{
    if (LListViewManager* list = FindManager(this, id))
        list->SetItemImage(row, column, image);
}

int LWindow::GetListViewItemImage(int id, int row) const
{
    LListViewManager* list = FindManager(this, id);
    return list ? list->GetItemImage(row, 0) : -1;
}

void LWindow::SetListViewItemData(int id, int row, intptr_t data)
{
    if (LListViewManager* list = FindManager(this, id))
        list->SetItemData(row, 0, data);
}

intptr_t LWindow::GetListViewItemData(int id, int row) const
{
    LListViewManager* list = FindManager(this, id);
    return list ? list->GetItemData(row, 0) : 0;
}

int LWindow::GetListViewRowCount(int id) const
{
    LListViewManager* list = FindManager(this, id);
    return list ? list->RowCount() : 0;
}

void LWindow::DeleteListViewRow(int id, int row)
{
    if (LListViewManager* list = FindManager(this, id))
        list->DeleteRow(row);
}

void LWindow::DeselectAllListViewRows(int id)
{
    LQtListViewImpl* view = FindList(this, id);
    if (!view || !view->List())
        return;
    Flush(view);
    view->List()->DeselectAll();
}

void LWindow::SelectListViewRow(int id, int row, bool select)
{
    LQtListViewImpl* view = FindList(this, id);
    if (!view || !view->List())
        return;
    Flush(view);
    view->List()->SelectRow(row, select);
}

int LWindow::GetListViewFirstSelected(int id) const
{
    LListViewManager* list = FindManager(this, id);
    return list ? list->FirstSelectedRow() : -1;
}

bool LWindow::IsListViewRowSelected(int id, int row) const
{
    LListViewManager* list = FindManager(this, id);
    return list && list->IsRowSelected(row);
}

int LWindow::GetListViewSelectedCount(int id) const
{
    LListViewManager* list = FindManager(this, id);
    return list ? static_cast<int>(list->SelectedRows().size()) : 0;
}

void LWindow::EditListViewSelectedRow(int id)
{
    if (LQtListViewImpl* view = FindList(this, id))
        view->EditSelectedRow();
}

void LWindow::SetListViewClickCommand(int id, int command)
{
    if (LListViewManager* list = FindManager(this, id))
        list->clickCommand = command;
}

void LWindow::SetListViewDoubleClickCommand(int id, int command)
{
    if (LListViewManager* list = FindManager(this, id))
        list->doubleClickCommand = command;
}

void LWindow::SetListViewRightClickCommand(int id, int command)
{
    if (LListViewManager* list = FindManager(this, id))
        list->rightClickCommand = command;
}

void LWindow::SetListViewSelectionCommand(int id, int command)
{
    if (LListViewManager* list = FindManager(this, id))
        list->selectionChangeCommand = command;
}

void LWindow::ClearListViewSorter(int id)
{
    if (LListViewManager* list = FindManager(this, id))
        list->SetSorter(nullptr);
}

// The handler classes bind by window and id.

LVIterator::LVIterator(LWindow* window, int listId)
    : LVIterator(window ? window->GetListView(listId) : nullptr)
{
}

LVSelectedRowsIterator::LVSelectedRowsIterator(LWindow* window, int listId)
    : LVSelectedRowsIterator(window ? window->GetListView(listId) : nullptr)
{
}

void LListViewSorter::AttachAndSort(LWindow* window, int listId)
{
    AttachAndSort(window ? window->GetListView(listId) : nullptr);
}

void LListViewSorter::Attach(LWindow* window, int listId)
{
    Attach(window ? window->GetListView(listId) : nullptr);
}

void LListViewLabelEditHandler::Attach(LWindow* window, int listId)
{
    if (LListViewManager* list = window ? window->GetListView(listId) : nullptr)
        list->SetLabelEditHandler(this);
}
