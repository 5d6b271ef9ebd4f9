#include "gui/TFr_SetStation.h"

#include "gui/FormBuilding.h"
#include "gui/FormTranslator.h"
#include "program/ProgramCore.h"
#include "station/StationEngine.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A group of radio buttons, as one control: its title and items by position.
QGroupBox* radioGroup(QWidget* parent, const char* name, const QString& title,
                      const QStringList& items, QButtonGroup** buttons, int columns = 1) {
    auto* box = named(new QGroupBox(title, parent), name);
    box->setProperty("radioGroup", true);
    *buttons = new QButtonGroup(box);
    auto* grid = new QGridLayout(box);
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], box);
        radio->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i + 1));
        (*buttons)->addButton(radio, i);
        grid->addWidget(radio, i % rows, i / rows);
    }
    return box;
}

QSlider* slider(QWidget* parent, const char* name, int min, int max, int step = 1) {
    auto* s = named(new QSlider(Qt::Horizontal, parent), name);
    s->setRange(min, max);
    s->setSingleStep(step);
    s->setPageStep(step);
    s->setMinimumWidth(160);
    return s;
}

QGroupBox* sliderGroup(QWidget* parent, const char* name, const QString& title, QSlider* s,
                       QLabel** label, const char* labelName) {
    auto* box = named(new QGroupBox(title, parent), name);
    *label = named(new QLabel(box), labelName);
    (*label)->setMinimumWidth(56);
    auto* row = new QHBoxLayout(box);
    row->addWidget(s, 1);
    row->addWidget(*label);
    return box;
}

} // namespace

TFr_SetStation::TFr_SetStation(ProgramCore& core, TACM& catalogue, QWidget* parent)
    : QDialog(parent), core_(core),
      editor_(core.Language(), catalogue, core.Stations(), core.Paths().settingsFile,
              !core.Settings().DeviceName.isEmpty()) {
    setObjectName(QStringLiteral("Fr_SetStation"));
    setWindowTitle(QStringLiteral("Свойства канала"));
    build();
}

void TFr_SetStation::build() {
    auto* columns = new QHBoxLayout;
    columns->addWidget(buildLeft());
    columns->addWidget(buildRight());
    PanDel = named(new QWidget(this), "PanDel");
    PanDel->setAutoFillBackground(true);
    SBDelete = named(new QPushButton(QStringLiteral("Удалить"), PanDel), "SBDelete");
    SBDelete->setToolTip(
        QStringLiteral("Удаление канала возможно только при полной остановке потока"));
    auto* del = new QHBoxLayout(PanDel);
    del->setContentsMargins(4, 4, 4, 4);
    del->addWidget(SBDelete);
    SBSave = named(new QPushButton(QStringLiteral("Сохранить параметры"), this), "SBSave");
    SBCancel = named(new QPushButton(QStringLiteral("Отменить"), this), "SBCancel");
    SBSave->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(PanDel);
    buttons->addStretch();
    buttons->addWidget(SBSave);
    buttons->addWidget(SBCancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(columns);
    all->addLayout(buttons);

    connect(SBCopy, &QPushButton::clicked, this,
            [this] { ERoot->setText(EName->text().trimmed()); });
    connect(rates_, &QButtonGroup::idClicked, this, &TFr_SetStation::FillCodecs);
    connect(stereo_, &QButtonGroup::idClicked, this, &TFr_SetStation::FillCodecs);
    connect(CBDriver, &QComboBox::activated, this, &TFr_SetStation::CBDriverChange);
    connect(CBSaveFiles, &QCheckBox::toggled, this, [this](bool on) {
        RXSaveFiles->setVisible(on);
        LabSaveFiles->setVisible(on);
    });
    for (QSlider* s : {SlidSilence, SlidNoSilence, SlideValue, SlidConnect})
        connect(s, &QSlider::valueChanged, this, &TFr_SetStation::slidersChanged);
    connect(SBSave, &QPushButton::clicked, this, &TFr_SetStation::SBSaveClick);
    connect(SBCancel, &QPushButton::clicked, this, [this] { done(StationEditor::kCancelled); });
    connect(SBDelete, &QPushButton::clicked, this, &TFr_SetStation::SBDeleteClick);
}

QWidget* TFr_SetStation::buildLeft() {
    auto* left = new QWidget(this);
    // Each edit under its label, as a labelled edit shows it.
    auto* form = new QVBoxLayout;
    form->setSpacing(2);
    auto edit = [&](QLineEdit*& e, const char* name, const char* labelName, const QString& text,
                    QWidget* field = nullptr) {
        e = named(new QLineEdit(left), name);
        e->setMinimumWidth(360);
        auto* label = named(new QLabel(text, left), labelName);
        label->setBuddy(e);
        form->addWidget(label);
        form->addWidget(field ? field : e);
    };
    SBCopy = named(new QPushButton(left), "SBCopy");
    SBCopy->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    SBCopy->setToolTip(QStringLiteral("Название канала → папка"));
    auto* rootRow = new QWidget(left);
    edit(EName, "EName", "LEName", QStringLiteral("Название канала"));
    edit(ERoot, "ERoot", "LERoot",
         QStringLiteral("Папка для хранения файлов (в формате имени файла RR)"), rootRow);
    auto* rootLayout = new QHBoxLayout(rootRow);
    rootLayout->setContentsMargins(0, 0, 0, 0);
    rootLayout->addWidget(ERoot);
    rootLayout->addWidget(SBCopy);
    edit(EURL, "EURL", "LEURL", QStringLiteral("Адрес канала (URL)"));
    edit(EBCCMail, "EBCCMail", "LEBCCMail",
         QStringLiteral("Список адресов (через ; ) для отправки дублирующих сообщений"));
    RGMode = radioGroup(left, "RGMode", QStringLiteral("Запуск канала"),
                        {QStringLiteral("Не соединяться (ручное управление)"),
                         QStringLiteral("Не записывать (только детектор тишины)"),
                         QStringLiteral("Начинать запись")},
                        &modes_);
    GBAcm = named(new QGroupBox(QStringLiteral("Сжатие записи"), left), "GBAcm");
    CBDriver = named(new QComboBox(GBAcm), "CBDriver");
    CBCodec = named(new QComboBox(GBAcm), "CBCodec");
    QStringList rates;
    for (int i = 0; i < kSampleRateCount; ++i)
        rates << QString::number(SampleRateFromIndex(i));
    RGFreq = radioGroup(GBAcm, "RGFreq", QStringLiteral("Частота дискретизации (Bitrate)"), rates,
                        &rates_, 2);
    RGStereo = radioGroup(GBAcm, "RGStereo", QStringLiteral("Stereo/Mono"),
                          {QStringLiteral("Mono"), QStringLiteral("Stereo")}, &stereo_);
    auto* acm = new QFormLayout(GBAcm);
    acm->addRow(named(new QLabel(QStringLiteral("Драйвер"), GBAcm), "LCBDriver"), CBDriver);
    acm->addRow(named(new QLabel(QStringLiteral("Качество"), GBAcm), "LCBCodec"), CBCodec);
    auto* radios = new QHBoxLayout;
    radios->addWidget(RGFreq);
    radios->addWidget(RGStereo);
    acm->addRow(radios);
    auto* column = new QVBoxLayout(left);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(form);
    column->addWidget(RGMode);
    column->addWidget(GBAcm);
    column->addStretch();
    return left;
}

QWidget* TFr_SetStation::buildRight() {
    auto* right = new QWidget(this);
    auto* files = named(new QGroupBox(QStringLiteral("Удаление файлов"), right), "GBSaveFiles");
    CBSaveFiles = named(new QCheckBox(QStringLiteral("Удалять через"), files), "CBSaveFiles");
    RXSaveFiles = named(new QSpinBox(files), "RXSaveFiles");
    RXSaveFiles->setRange(1, 999);
    LabSaveFiles = named(new QLabel(QStringLiteral("дней"), files), "LabSaveFiles");
    auto* filesRow = new QHBoxLayout(files);
    filesRow->addWidget(CBSaveFiles);
    filesRow->addWidget(RXSaveFiles);
    filesRow->addWidget(LabSaveFiles);
    filesRow->addStretch();
    SlidSilence = slider(right, "SlidSilence", 0, 30);
    SlidNoSilence = slider(right, "SlidNoSilence", 1, 30);
    SlideValue = slider(right, "SlideValue", -42, -1);
    SlidConnect = slider(right, "SlidConnect", 0, 120, 5);
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(files);
    column->addWidget(sliderGroup(right, "GBSilence", QStringLiteral("Детектор тишины"),
                                  SlidSilence, &LabSilence, "LabSilence"));
    column->addWidget(sliderGroup(right, "GBNoSilence", QStringLiteral("Детектор нетишины"),
                                  SlidNoSilence, &LabNoSilence, "LabNoSilence"));
    column->addWidget(sliderGroup(right, "GBLevel", QStringLiteral("Уровень детектора тишины"),
                                  SlideValue, &LabSlidValue, "LabSlidValue"));
    column->addWidget(sliderGroup(right, "GBConnect", QStringLiteral("Детектор соединения"),
                                  SlidConnect, &LabSlidConnect, "LabSlidConnect"));
    auto* exec = named(new QGroupBox(QStringLiteral("Выполнить при"), right), "GBExec");
    auto* execForm = new QFormLayout(exec);
    auto command = [&](QLineEdit*& e, const char* name, const char* labelName,
                       const QString& text) {
        e = named(new QLineEdit(exec), name);
        e->setMinimumWidth(150);
        auto* browse = new QToolButton(exec);
        browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        connect(browse, &QToolButton::clicked, this, [this, e] {
            const QString file = QFileDialog::getOpenFileName(
                this, QString(), e->text(), tr("Programs and scripts (*);;All files (*)"));
            if (!file.isEmpty())
                e->setText(file);
        });
        auto* row = new QWidget(exec);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(e);
        layout->addWidget(browse);
        auto* label = named(new QLabel(text, exec), labelName);
        label->setBuddy(e);
        execForm->addRow(label, row);
    };
    command(FEBreak, "FEBreak", "LFEBreak", QStringLiteral("Обрыве соединения"));
    command(FERConnect, "FERConnect", "LFERConnect", QStringLiteral("Восстановлении соед."));
    command(FESilence, "FESilence", "LFESilence", QStringLiteral("Тишине в канале"));
    command(FENoSilence, "FENoSilence", "LFENoSilence", QStringLiteral("Восстановлении звука"));
    column->addWidget(exec);
    column->addStretch();
    return right;
}

void TFr_SetStation::FillParm(int index, int number, bool deletable, const StationConfig& record) {
    TranslateComponent(core_.Language(), this);
    const StationForm f = editor_.FillParm(index, number, deletable, record);
    EName->setText(f.name);
    ERoot->setText(f.folder);
    EURL->setText(f.url);
    EBCCMail->setText(f.bccMail);
    FEBreak->setText(f.eBreak);
    FERConnect->setText(f.eRestore);
    FESilence->setText(f.eSilence);
    FENoSilence->setText(f.eNoSilence);
    SlidSilence->setValue(f.silence);
    SlidNoSilence->setValue(f.noSilence);
    SlideValue->setValue(f.level);
    SlidConnect->setValue(f.connect);
    slidersChanged();
    if (QAbstractButton* b = rates_->button(f.rateIndex))
        b->setChecked(true);
    if (QAbstractButton* b = stereo_->button(f.stereoIndex))
        b->setChecked(true);
    FillCodecs();
    SetSaveFiles(f.saveFiles ? f.saveDays : 0);
    PanDel->setStyleSheet(deletable ? QStringLiteral("background: #800000;")
                                    : QStringLiteral("background: #c0c0c0;"));
    SBDelete->setEnabled(deletable);
    GBAcm->setVisible(editor_.CompressionVisible());
    modes_->button(2)->setVisible(editor_.ModeCount() == 3);
    modes_->setExclusive(false);
    for (QAbstractButton* b : modes_->buttons())
        b->setChecked(modes_->id(b) == f.mode);
    modes_->setExclusive(true);
}

void TFr_SetStation::SetSaveFiles(int days) {
    CBSaveFiles->setChecked(days > 0);
    RXSaveFiles->setValue(days > 0 ? days : 90);
    RXSaveFiles->setVisible(days > 0);
    LabSaveFiles->setVisible(days > 0);
}

void TFr_SetStation::FillCodecs() {
    showCodecs(editor_.FillCodecs(rates_->checkedId(), stereo_->checkedId()));
}

void TFr_SetStation::CBDriverChange() {
    if (CBDriver->currentIndex() >= 0)
        showCodecs(editor_.CBDriverChange(CBDriver->currentText(), rates_->checkedId(),
                                          stereo_->checkedId()));
}

void TFr_SetStation::showCodecs(const StationEditor::CodecLists& lists) {
    CBDriver->clear();
    CBDriver->addItems(lists.drivers);
    CBDriver->setCurrentIndex(lists.driver);
    CBCodec->clear();
    CBCodec->addItems(lists.formats);
    CBCodec->setCurrentIndex(lists.format);
}

void TFr_SetStation::slidersChanged() {
    LabSilence->setText(StationEditor::SecondsText(SlidSilence->value()));
    LabNoSilence->setText(StationEditor::SecondsText(SlidNoSilence->value()));
    LabSlidValue->setText(StationEditor::LevelText(SlideValue->value()));
    LabSlidConnect->setText(StationEditor::SecondsText(SlidConnect->value()));
    FESilence->setEnabled(SlidSilence->value() > 0);
    FENoSilence->setEnabled(FESilence->isEnabled());
    FEBreak->setEnabled(SlidConnect->value() > 0);
    FERConnect->setEnabled(FEBreak->isEnabled());
}

StationForm TFr_SetStation::Form() const {
    StationForm f;
    f.name = EName->text();
    f.folder = ERoot->text();
    f.url = EURL->text();
    f.bccMail = EBCCMail->text();
    f.mode = modes_->checkedId();
    f.driver = CBDriver->currentIndex() >= 0 ? CBDriver->currentText() : QString();
    f.format = CBCodec->currentIndex() >= 0 ? CBCodec->currentText() : QString();
    f.rateIndex = rates_->checkedId();
    f.stereoIndex = stereo_->checkedId();
    f.silence = SlidSilence->value();
    f.noSilence = SlidNoSilence->value();
    f.level = SlideValue->value();
    f.connect = SlidConnect->value();
    f.saveFiles = CBSaveFiles->isChecked();
    f.saveDays = RXSaveFiles->value();
    f.eBreak = FEBreak->text();
    f.eRestore = FERConnect->text();
    f.eSilence = FESilence->text();
    f.eNoSilence = FENoSilence->text();
    return f;
}

void TFr_SetStation::SBSaveClick() {
    if (const int result = editor_.SBSaveClick(Form()); result > 0)
        done(result);
}

void TFr_SetStation::SBDeleteClick() {
    if (editor_.SBDeleteClick())
        done(StationEditor::kCancelled);
}

int EditStationConfig(ProgramCore& core, StationEngine& station, QWidget* parent) {
    TFr_SetStation dialog(core, *core.Catalogue(), parent);
    const TStation& st = station.Station();
    dialog.FillParm(st.Index, st.Number, station.Deletable(), st.Config);
    const int result = dialog.exec();
    station.SettingsEdited(result, dialog.Editor().Edited(), core.Settings().DeviceIndex > 0);
    return result;
}
