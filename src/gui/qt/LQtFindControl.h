#pragma once
// Controls are found again by id each time: the id is the widget property
// "ltag", searched among the container's direct children in creation order.

#include <QWidget>

class QAbstractButton;

constexpr const char* kLQtTagProperty = "ltag";
// Marks the default button among buttons that are not QPushButtons.
constexpr const char* kLQtDefaultProperty = "ldefault";

// The first direct child whose id is id; an up-down composite with another
// id is searched one level deeper (its number field). Null when none.
QWidget* LQtFindControl(QWidget* container, int id);
int LQtControlId(const QWidget* widget);
void LQtSetControlId(QWidget* widget, int id);

// The button that takes Escape, and the default button, of a window.
QAbstractButton* LQtFindCancelButton(QWidget* container);
QAbstractButton* LQtFindDefaultButton(QWidget* container);
