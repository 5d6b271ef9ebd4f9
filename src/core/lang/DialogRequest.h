#pragma once

#include <QFlags>
#include <QList>
#include <QString>

enum class DialogType { Warning, Error, Information, Confirmation, Custom };

enum class DialogButton {
    None = 0,
    OK = 1 << 0,
    Cancel = 1 << 1,
    Yes = 1 << 2,
    No = 1 << 3,
    Help = 1 << 4,
    Ignore = 1 << 5,
    Retry = 1 << 6,
    Abort = 1 << 7,
    All = 1 << 8,
    YesToAll = 1 << 9,
    NoToAll = 1 << 10,
};
Q_DECLARE_FLAGS(DialogButtons, DialogButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(DialogButtons)

// A message box as the language engine composes it: everything but the drawing.
struct DialogRequest {
    struct Button {
        DialogButton button;
        QString caption; // localised; may carry an "&" accelerator
    };
    QString caption;
    QString text;
    DialogType type = DialogType::Information;
    QList<Button> buttons; // in the order a box shows them
    DialogButton defaultButton = DialogButton::OK;
};

struct ButtonInfo {
    DialogButton button;
    QString word;            // its key word: "OK", "YesToAll"...
    QString standardCaption; // the caption a box shows when the language has none
};
// The buttons of a set in the order a box shows them.
QList<ButtonInfo> ButtonsInOrder(DialogButtons set);
// The button a box focuses and a headless program answers with: OK, else Yes, else
// Retry, else the first one.
DialogButton DefaultButton(DialogButtons set);
QString DialogTypeWord(DialogType type);

// Shows a composed message box and returns the pressed button. The desktop program
// shows a real box; the headless one logs the text and answers with the default.
class DialogPresenter {
public:
    virtual ~DialogPresenter() = default;
    virtual DialogButton Present(const DialogRequest& request) = 0;
};

class LogDialogPresenter : public DialogPresenter {
public:
    DialogButton Present(const DialogRequest& request) override;
};
