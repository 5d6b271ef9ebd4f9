#include "gui/TFrmTest.h"

#include "gui/FormBuilding.h"
#include "gui/FormTranslator.h"
#include "recording/FileNames.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TFrmTest::TFrmTest(const TLanguage& language, const QString& tmpl, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FrmTest"));
    setWindowTitle(QStringLiteral("Проверка имени файла"));
    EFormat = named(new QLineEdit(this), "EFormat");
    EFormat->setMinimumWidth(420);
    ERes = named(new QLineEdit(this), "ERes");
    ERes->setReadOnly(true);
    LBTokens = named(new QListWidget(this), "LBTokens");
    LBTokens->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    LBTokens->setSelectionMode(QAbstractItemView::NoSelection);
    LBTokens->setFocusPolicy(Qt::NoFocus);
    LBTokens->addItems({
        QStringLiteral("RR          корневая папка станции"),
        QStringLiteral("d / dd      день 1-31 / 01-31"),
        QStringLiteral("ddd / dddd  день недели Пн-Вс / понедельник-воскресенье"),
        QStringLiteral("m / mm      месяц 1-12 / 01-12 (минуты сразу после часа)"),
        QStringLiteral("mmm / mmmm  месяц янв-дек / январь-декабрь"),
        QStringLiteral("yy / yyyy   год 00-99 / 0000-9999"),
        QStringLiteral("h / hh      час 0-23 / 00-23"),
        QStringLiteral("n / nn      минута 0-59 / 00-59"),
        QStringLiteral("s / ss      секунда 0-59 / 00-59"),
        QStringLiteral("z / zzz     миллисекунда 0-999 / 000-999"),
        QStringLiteral("\"текст\"     текст без изменений"),
    });
    SBOk = named(new QPushButton(QStringLiteral("OK"), this), "SBOk");
    SBCancel = named(new QPushButton(QStringLiteral("Отменить"), this), "SBCancel");
    SBOk->setDefault(true);
    auto* fields = new QFormLayout;
    auto* formatLabel = named(new QLabel(QStringLiteral("Шаблон"), this), "LEFormat");
    formatLabel->setBuddy(EFormat);
    auto* resultLabel = named(new QLabel(QStringLiteral("Результат"), this), "LERes");
    resultLabel->setBuddy(ERes);
    fields->addRow(formatLabel, EFormat);
    fields->addRow(resultLabel, ERes);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SBOk);
    buttons->addWidget(SBCancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(fields);
    all->addWidget(LBTokens);
    all->addLayout(buttons);
    connect(EFormat, &QLineEdit::textChanged, this, &TFrmTest::EFormatChange);
    connect(SBOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(SBCancel, &QPushButton::clicked, this, &QDialog::reject);
    TranslateComponent(language, this);
    // Every token in sight, without scrolling.
    LBTokens->setMinimumHeight(LBTokens->sizeHintForRow(0) * LBTokens->count() +
                               2 * LBTokens->frameWidth());
    EFormat->setText(tmpl);
    EFormatChange();
}

void TFrmTest::EFormatChange() {
    ERes->setText(TemplatePreview(EFormat->text(), QDateTime::currentDateTime()));
}

bool TestFileName(const TLanguage& language, QString& tmpl, QWidget* parent) {
    TFrmTest dialog(language, tmpl, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    tmpl = dialog.EFormat->text();
    return true;
}
