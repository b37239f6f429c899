#pragma once
// Every kind of button of the dialogs in one class whose kind is chosen
// after creation: push, check box, toggle ("check button"), flat cool
// button, radio, help and disclosure triangle. The style draws each kind
// the platform's way. A press sends the down command before the click
// sends the up command; a disabled button sends neither.

#include <QAbstractButton>
#include <QFrame>
#include <QGroupBox>
#include <QList>
#include <QPointer>

#include <cstdint>

class LQtRadioButtonGroupImpl;

class LQtKindButtonImpl : public QAbstractButton
{
    Q_OBJECT
public:
    enum Kind { kPushButton, kCheckBox, kCheckButton, kCoolButton, kRadioButton, kHelpButton, kDisclosure };

    explicit LQtKindButtonImpl(QWidget* parent = nullptr);

    // Tag and up command; -1 leaves the up command unset.
    void SetId(int32_t id);
    void SetCommandUp(int32_t command);
    void SetCommandDown(int32_t command);

    void SetKind(Kind kind);
    Kind ButtonKind() const { return kind_; }
    bool IsHelpButton() const;
    // Title into a 260-byte buffer, cut between characters.
    void GetText(char* text) const;
    void SetDown(bool down) { down_ = down; }
    bool IsDown() const { return down_ && kind_ == kCheckButton; }

    void SetRadioGroup(LQtRadioButtonGroupImpl* group) { group_ = group; }
    LQtRadioButtonGroupImpl* RadioGroup() const { return group_; }

    void SendCommandUp();
    void SendCommandDown();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void nextCheckState() override;

private:
    void OnClicked();

    Kind kind_ = kPushButton;
    bool down_ = false;
    LQtRadioButtonGroupImpl* group_ = nullptr;
};

// Radio buttons that exclude each other; none selected is allowed.
// Clicking the selected button sends its command again.
class LQtRadioButtonGroupImpl : public QObject
{
    Q_OBJECT
public:
    explicit LQtRadioButtonGroupImpl(QObject* parent = nullptr);
    void AddRadioButton(LQtKindButtonImpl* button);
    void Select(bool on, LQtKindButtonImpl* button);
    LQtKindButtonImpl* SelectedButton() const { return selected_; }
    void HandleClick(LQtKindButtonImpl* button);
    const QList<QPointer<LQtKindButtonImpl>>& Buttons() const { return buttons_; }

private:
    QList<QPointer<LQtKindButtonImpl>> buttons_;
    QPointer<LQtKindButtonImpl> selected_;
};

// A titled frame; an empty title hides the title line. Disabled, it is
// drawn at half opacity.
class LQtGroupImpl : public QGroupBox
{
    Q_OBJECT
public:
    explicit LQtGroupImpl(const QString& title, QWidget* parent = nullptr);
    void SetTitleText(const char* title);
    bool TitleShown() const { return !title().isEmpty(); }

protected:
    void changeEvent(QEvent* event) override;
};

class LQtSeparatorImpl : public QFrame
{
    Q_OBJECT
public:
    explicit LQtSeparatorImpl(QWidget* parent = nullptr);
};
