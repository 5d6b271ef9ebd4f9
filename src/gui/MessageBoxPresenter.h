#pragma once

#include "lang/DialogRequest.h"

#include <QPointer>
#include <QWidget>

// Shows the language engine's message boxes as real, modal QMessageBoxes centred on
// the main window.
class MessageBoxPresenter : public DialogPresenter {
public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    DialogButton Present(const DialogRequest& request) override;

private:
    QPointer<QWidget> parent_;
};
