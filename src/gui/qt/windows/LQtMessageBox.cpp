#include "gui/framework/LApplication.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

int LMessageBox::Show()
{
    // Nobody is left to answer: the safe answer, as Escape gives.
    if (LIsSessionEnding())
        return button2[0] != '\0' ? 2 : 1;
    QWidget* parent = nullptr;
    if (parentView != nullptr) {
        if (LWindow* owner = LGetWindowFromView(parentView)) {
            if (!owner->IsEnabled() || !owner->IsVisible())
                owner->ShowWindow(true);
        }
        parent = LQtWidget(parentView)->window();
    }
    QMessageBox box(parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setText(QStringLiteral("<b>%1</b>").arg(QString::fromUtf8(title).toHtmlEscaped()));
    box.setTextFormat(Qt::RichText);
    // Messages are plain text (quotes, file names with '<' or '&'): the label
    // must neither read them as markup nor show escapes of them.
    box.setInformativeText(QString::fromUtf8(text.c_str()));
    if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    QPushButton* first = box.addButton(QString::fromUtf8(button1), QMessageBox::AcceptRole);
    box.setDefaultButton(first);
    QPushButton* second =
        button2[0] != '\0' ? box.addButton(QString::fromUtf8(button2), QMessageBox::RejectRole) : nullptr;
    QPushButton* third = button3[0] != '\0'
                             ? box.addButton(QString::fromUtf8(button3), QMessageBox::DestructiveRole)
                             : nullptr;
    if (second != nullptr)
        box.setEscapeButton(second);
    QCheckBox* suppression = nullptr;
    if (showSuppression) {
        suppression = new QCheckBox(QString::fromUtf8(suppressionText));
        suppression->setChecked(suppressionChecked);
        box.setCheckBox(suppression);
    }
    switch (style) {
    case LMessageBoxWarningStyle:
        box.setIcon(QMessageBox::Warning);
        break;
    case LMessageBoxCriticalStyle:
        box.setIcon(QMessageBox::Critical);
        break;
    default:
        box.setIcon(QMessageBox::Information);
        break;
    }
    box.setWindowTitle(QStringLiteral("Quorin"));
    LIncrementModalDepth();
    box.exec();
    LDecrementModalDepth();
    if (suppression != nullptr)
        suppressionChecked = suppression->isChecked();
    QAbstractButton* clicked = box.clickedButton();
    (void)third;
    if (clicked == first)
        return 1;
    if (clicked != nullptr && clicked == third)
        return 3;
    return 2;
}

void LWindow::MessageBoxError(const char* informative, const char* message)
{
    LMessageBox box(GetView(), informative, message);
    box.style = LMessageBoxCriticalStyle;
    box.Show();
}

void LWindow::MessageBoxWarning(const char* informative)
{
    LMessageBox box(GetView(), informative, "Quorin");
    box.style = LMessageBoxWarningStyle;
    box.Show();
}

void LWindow::MessageBoxInfo(const char* informative, const char* message)
{
    LMessageBox box(GetView(), informative, message);
    box.style = LMessageBoxInformationalStyle;
    box.Show();
}
