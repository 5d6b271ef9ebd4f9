#include "gui/MessageBoxPresenter.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconFor(DialogType type) {
    switch (type) {
    case DialogType::Warning:
        return QMessageBox::Warning;
    case DialogType::Error:
        return QMessageBox::Critical;
    case DialogType::Information:
        return QMessageBox::Information;
    case DialogType::Confirmation:
        return QMessageBox::Question;
    case DialogType::Custom:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole roleFor(DialogButton b) {
    switch (b) {
    case DialogButton::OK:
    case DialogButton::Yes:
    case DialogButton::YesToAll:
    case DialogButton::All:
        return QMessageBox::AcceptRole;
    case DialogButton::No:
    case DialogButton::NoToAll:
        return QMessageBox::NoRole;
    case DialogButton::Help:
        return QMessageBox::HelpRole;
    case DialogButton::Cancel:
    case DialogButton::Abort:
        return QMessageBox::RejectRole;
    default:
        return QMessageBox::ActionRole;
    }
}

} // namespace

DialogButton MessageBoxPresenter::Present(const DialogRequest& request) {
    QMessageBox box(iconFor(request.type), request.caption, request.text, QMessageBox::NoButton,
                    parent_);
    QString text = request.text;
    box.setText(text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n'));
    QHash<QAbstractButton*, DialogButton> pressed;
    for (const DialogRequest::Button& b : request.buttons) {
        QPushButton* button = box.addButton(b.caption, roleFor(b.button));
        pressed.insert(button, b.button);
        if (b.button == request.defaultButton)
            box.setDefaultButton(button);
    }
    box.exec();
    return pressed.value(box.clickedButton(), DialogButton::Cancel);
}
