#include "gui/TFr_Email.h"

#include "gui/FormBuilding.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QLabel* boldLabel(QWidget* parent, const char* name, int pixelSize = 0) {
    auto* label = named(new QLabel(parent), name);
    QFont font = label->font();
    font.setBold(true);
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    label->setFont(font);
    return label;
}

} // namespace

TFr_Email::TFr_Email(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Fr_Email"));
    setWindowTitle(QStringLiteral("EMail"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(451, 189);
    LShape = boldLabel(this, "LShape", 13);
    LShape->setAlignment(Qt::AlignCenter);
    LText = boldLabel(this, "LText");
    LText->setAlignment(Qt::AlignCenter);
    LText->setWordWrap(true);
    LText->setFixedHeight(57);
    LabDate = boldLabel(this, "LabDate");
    BitBtn1 = named(new QPushButton(QStringLiteral("Close"), this), "BitBtn1");
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::close);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LabDate);
    bottom->addStretch();
    bottom->addWidget(BitBtn1);
    auto* all = new QVBoxLayout(this);
    all->addWidget(LShape);
    all->addWidget(LText);
    all->addStretch();
    all->addLayout(bottom);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFr_Email::Show(const QString& text, const QString& heading) {
    LText->setText(text);
    if (!heading.isEmpty())
        LShape->setText(heading);
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    LabDate->setText(locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
                     locale.toString(now.time(), QLocale::LongFormat));
    show();
    repaint();
}
