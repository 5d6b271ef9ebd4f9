#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The small window that shows which notice is being mailed, and what went wrong.
class TFr_Email : public QDialog {
    Q_OBJECT
public:
    explicit TFr_Email(QWidget* parent = nullptr);

    // A new text, a new heading unless it is empty, and the time now.
    void Show(const QString& text, const QString& heading);

    QLabel *LShape, *LText, *LabDate;
    QPushButton* BitBtn1;
};
