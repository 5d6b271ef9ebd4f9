#include "gui/TFrSettings.h"

#include "gui/FormBuilding.h"
#include "gui/FormTranslator.h"
#include "gui/TFrmTest.h"
#include "program/ProgramCore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kDisableHint = QStringLiteral("0 - Disable (выключен )");
const QString kShowPassHint =
    QStringLiteral("Check to show password\nВключите, чтобы показать пароль");

QSpinBox* spin(QWidget* parent, const char* name, int min, int max) {
    auto* s = named(new QSpinBox(parent), name);
    s->setRange(min, max);
    return s;
}

QLineEdit* passwordEdit(QWidget* parent, const char* name) {
    auto* e = named(new QLineEdit(parent), name);
    e->setEchoMode(QLineEdit::Password);
    e->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    return e;
}

// The box that shows a password in clear stands where the edit's label would.
void showPasswordBox(QLineEdit* edit, QCheckBox* show) {
    show->setToolTip(kShowPassHint);
    QObject::connect(show, &QCheckBox::toggled, edit, [edit](bool clear) {
        edit->setEchoMode(clear ? QLineEdit::Normal : QLineEdit::Password);
    });
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* l = named(new QLabel(text, parent), name);
    l->setBuddy(buddy);
    return l;
}

} // namespace

TFrSettings::TFrSettings(ProgramCore& core, QWidget* parent)
    : QDialog(parent), core_(core), editor_(core.Language(), core.Settings(), core.AutoStartEntry(),
                                            core.Devices().DeviceList()) {
    setObjectName(QStringLiteral("FrSettings"));
    setWindowTitle(QStringLiteral("Настройки"));
    FormCreate();
}

void TFrSettings::FormCreate() {
    auto* columns = new QHBoxLayout;
    columns->addWidget(buildLeft());
    columns->addWidget(buildRight());
    SBSave = named(new QPushButton(QStringLiteral("Сохранить параметры"), this), "SBSave");
    SBCancel = named(new QPushButton(QStringLiteral("Отменить"), this), "SBCancel");
    SBSave->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SBSave);
    buttons->addWidget(SBCancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(columns);
    all->addLayout(buttons);

    connect(SlidBuffer, &QSlider::valueChanged, this, &TFrSettings::SlidBufferChange);
    connect(CBUseSSL, &QCheckBox::clicked, this,
            [this](bool on) { RxPort->setValue(SettingsEditor::CBUseSSLClick(on)); });
    connect(CBAutoStart, &QCheckBox::clicked, this,
            [this](bool on) { editor_.CBAutoStartClick(on); });
    connect(CB_Language, &QComboBox::activated, this, &TFrSettings::CB_LanguageChange);
    connect(SBRootBrowse, &QToolButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, QString(), DERoot->text());
        if (!dir.isEmpty())
            DERoot->setText(dir);
    });
    connect(SBTestFileName, &QToolButton::clicked, this, &TFrSettings::SBTestFileNameClick);
    connect(SBTestMSG, &QPushButton::clicked, this, &TFrSettings::SBTestMSGClick);
    connect(SBSave, &QPushButton::clicked, this, &TFrSettings::SBSaveClick);
    connect(SBCancel, &QPushButton::clicked, this, [this] { done(-1); });

    TranslateComponent(core_.Language(), this);
    FullScreenParm();
}

QWidget* TFrSettings::buildLeft() {
    auto* left = new QWidget(this);
    auto* device = named(new QGroupBox(QStringLiteral("Прослушка сигнала"), left), "GBDevice");
    CBDevice = named(new QComboBox(device), "CBDevice");
    (new QVBoxLayout(device))->addWidget(CBDevice);

    auto* root =
        named(new QGroupBox(QStringLiteral("Корневая папка для записи станций"), left), "GBRoot");
    DERoot = named(new QLineEdit(root), "DERoot");
    DERoot->setMinimumWidth(280);
    SBRootBrowse = named(new QToolButton(root), "SBRootBrowse");
    SBRootBrowse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    EFileNames = named(new QLineEdit(root), "EFileNames");
    SBTestFileName = named(new QToolButton(root), "SBTestFileName");
    SBTestFileName->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    SBTestFileName->setToolTip(QStringLiteral("Проверить имя файла"));
    CBRemEmpDir = named(new QCheckBox(QStringLiteral("Удалять пустые папки"), root), "CBRemEmpDir");
    auto* rootGrid = new QGridLayout(root);
    rootGrid->addWidget(DERoot, 0, 0);
    rootGrid->addWidget(SBRootBrowse, 0, 1);
    rootGrid->addWidget(
        label(root, "LEFileNames", QStringLiteral("Формирование имени файла"), EFileNames), 1, 0, 1,
        2);
    rootGrid->addWidget(EFileNames, 2, 0);
    rootGrid->addWidget(SBTestFileName, 2, 1);
    rootGrid->addWidget(CBRemEmpDir, 3, 0, 1, 2);

    auto* buffer = named(new QGroupBox(QStringLiteral("Размер буфера"), left), "GBBuffer");
    SlidBuffer = named(new QSlider(Qt::Horizontal, buffer), "SlidBuffer");
    SlidBuffer->setRange(5, 300);
    LabBuffer = named(new QLabel(buffer), "LabBuffer");
    LabBuffer->setMinimumWidth(64);
    auto* bufferRow = new QHBoxLayout(buffer);
    bufferRow->addWidget(SlidBuffer, 1);
    bufferRow->addWidget(LabBuffer);

    CBInTray = named(new QCheckBox(QStringLiteral("Запуск программы свернуто"), left), "CBInTray");
    CBAutoStart = named(new QCheckBox(QStringLiteral("Запуск с системой"), left), "CBAutoStart");
    EAvailable = spin(left, "EAvailable", 0, 1024);
    EAvailable->setToolTip(kDisableHint);
    CB_Language = named(new QComboBox(left), "CB_Language");
    // Labels over their fields: long captions never squeeze the fields.
    auto* rest = new QGridLayout;
    rest->addWidget(label(left, "LEAvailable",
                          QStringLiteral("Уведомлять о недостатке места менее (MB)"), EAvailable),
                    0, 0, 1, 2);
    rest->addWidget(EAvailable, 1, 0);
    rest->addWidget(label(left, "LCB_Language", QStringLiteral("Language"), CB_Language), 2, 0, 1,
                    2);
    rest->addWidget(CB_Language, 3, 0);
    rest->setColumnStretch(1, 1);

    auto* column = new QVBoxLayout(left);
    column->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{device, root, buffer, CBInTray, CBAutoStart})
        column->addWidget(w);
    column->addLayout(rest);
    column->addStretch();
    return left;
}

QWidget* TFrSettings::buildRight() {
    auto* right = new QWidget(this);
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(buildMail(right));
    column->addWidget(buildHttp(right));
    column->addStretch();
    return right;
}

QWidget* TFrSettings::buildMail(QWidget* parent) {
    auto* mail = named(new QGroupBox(QStringLiteral("Отправка сообщений"), parent), "GBMail");
    EResp = named(new QLineEdit(mail), "EResp");
    ESender = named(new QLineEdit(mail), "ESender");
    ESMTP = named(new QLineEdit(mail), "ESMTP");
    RxPort = spin(mail, "RxPort", 1, 65535);
    CBUseSSL = named(new QCheckBox(QStringLiteral("Использовать SSL"), mail), "CBUseSSL");
    CBVerifyCert =
        named(new QCheckBox(QStringLiteral("Проверять сертификат сервера"), mail), "CBVerifyCert");
    CBAuth = named(new QCheckBox(QStringLiteral("Требуется авторизация"), mail), "CBAuth");
    EUser = named(new QLineEdit(mail), "EUser");
    EPass = passwordEdit(mail, "EPass");
    CBShowPass = named(new QCheckBox(QStringLiteral("Пароль"), mail), "CBShowPass");
    SBTestMSG =
        named(new QPushButton(QStringLiteral("Проверить отправку сообщения"), mail), "SBTestMSG");
    auto* form = new QFormLayout(mail);
    form->addRow(label(mail, "LEResp", QStringLiteral("Получатель"), EResp), EResp);
    form->addRow(label(mail, "LESender", QStringLiteral("Отправитель"), ESender), ESender);
    form->addRow(label(mail, "LESMTP", QStringLiteral("SMTP Host"), ESMTP), ESMTP);
    form->addRow(label(mail, "LRxPort", QStringLiteral("Порт"), RxPort), RxPort);
    form->addRow(CBUseSSL);
    form->addRow(CBVerifyCert);
    form->addRow(CBAuth);
    form->addRow(label(mail, "LEUser", QStringLiteral("Пользователь"), EUser), EUser);
    showPasswordBox(EPass, CBShowPass);
    form->addRow(CBShowPass, EPass);
    form->addRow(SBTestMSG);
    return mail;
}

QWidget* TFrSettings::buildHttp(QWidget* parent) {
    auto* http = named(new QGroupBox(QStringLiteral("Сервер HTTP"), parent), "GBHTTP");
    EHTTPPort = spin(http, "EHTTPPort", 0, 65535);
    EHTTPPort->setToolTip(kDisableHint + QStringLiteral("\nNeed restart (требуется перезапуск)"));
    CBHTTPEnableClear = named(new QCheckBox(QStringLiteral("Разрешить сброс счетчиков"), http),
                              "CBHTTPEnableClear");
    EHTTPUser = named(new QLineEdit(http), "EHTTPUser");
    EHTTPUser->setToolTip(QStringLiteral("Разрешить вход только по имени и паролю"));
    EHTTPPass = passwordEdit(http, "EHTTPPass");
    CBHTTPShowPass = named(new QCheckBox(QStringLiteral("Пароль"), http), "CBHTTPShowPass");
    EHTTPRefresh = spin(http, "EHTTPRefresh", 0, 600);
    EHTTPRefresh->setToolTip(kDisableHint);
    for (QWidget* w :
         std::initializer_list<QWidget*>{EHTTPPort, EHTTPUser, EHTTPPass, EHTTPRefresh})
        w->setMinimumWidth(160);
    auto* form = new QFormLayout(http);
    form->addRow(label(http, "LEHTTPPort", QStringLiteral("Порт"), EHTTPPort), EHTTPPort);
    form->addRow(CBHTTPEnableClear);
    form->addRow(label(http, "LEHTTPUser", QStringLiteral("Пользователь"), EHTTPUser), EHTTPUser);
    showPasswordBox(EHTTPPass, CBHTTPShowPass);
    form->addRow(CBHTTPShowPass, EHTTPPass);
    form->addRow(label(http, "LEHTTPRefresh",
                       QStringLiteral("Обновлять главную страницу каждые (сек)"), EHTTPRefresh),
                 EHTTPRefresh);
    return http;
}

void TFrSettings::FullScreenParm() {
    const SettingsForm f = editor_.FullScreenParm();
    CB_Language->clear();
    CB_Language->addItems(f.languages);
    CB_Language->setCurrentIndex(f.language);
    SlidBuffer->setValue(f.buffer);
    SlidBufferChange();
    DERoot->setText(f.root);
    EFileNames->setText(f.fileNames);
    CBRemEmpDir->setChecked(f.remEmpDir);
    EResp->setText(f.responser);
    ESender->setText(f.sender);
    ESMTP->setText(f.smtp);
    RxPort->setValue(f.mailPort);
    CBUseSSL->setChecked(f.useSSL);
    CBVerifyCert->setChecked(f.verifyCert);
    CBAuth->setChecked(f.auth);
    EUser->setText(f.mailUser);
    EPass->setText(f.mailPass);
    CBInTray->setChecked(f.inTray);
    CBAutoStart->setChecked(f.autoStart);
    EHTTPPort->setValue(f.httpPort);
    CBHTTPEnableClear->setChecked(f.httpEnableClear);
    EHTTPUser->setText(f.httpUser);
    EHTTPPass->setText(f.httpPass);
    EHTTPRefresh->setValue(f.httpRefresh);
    EAvailable->setValue(f.available);
    CBDevice->clear();
    CBDevice->addItems(f.devices);
    CBDevice->setCurrentIndex(f.device);
}

SettingsForm TFrSettings::Form() const {
    SettingsForm f;
    for (int i = 0; i < CBDevice->count(); ++i)
        f.devices << CBDevice->itemText(i);
    f.device = CBDevice->currentIndex();
    f.root = DERoot->text();
    f.fileNames = EFileNames->text();
    f.remEmpDir = CBRemEmpDir->isChecked();
    f.responser = EResp->text();
    f.sender = ESender->text();
    f.smtp = ESMTP->text();
    f.mailPort = RxPort->value();
    f.useSSL = CBUseSSL->isChecked();
    f.verifyCert = CBVerifyCert->isChecked();
    f.auth = CBAuth->isChecked();
    f.mailUser = EUser->text();
    f.mailPass = EPass->text();
    f.buffer = SlidBuffer->value();
    f.inTray = CBInTray->isChecked();
    f.autoStart = CBAutoStart->isChecked();
    f.httpPort = EHTTPPort->value();
    f.httpEnableClear = CBHTTPEnableClear->isChecked();
    f.httpUser = EHTTPUser->text();
    f.httpPass = EHTTPPass->text();
    f.httpRefresh = EHTTPRefresh->value();
    f.available = EAvailable->value();
    f.language = CB_Language->currentIndex();
    return f;
}

void TFrSettings::SlidBufferChange() {
    LabBuffer->setText(SettingsEditor::BufferText(SlidBuffer->value()));
}

void TFrSettings::SBSaveClick() {
    if (editor_.ApplySettings(Form()))
        done(1);
}

void TFrSettings::SBTestFileNameClick() {
    QString tmpl = EFileNames->text();
    if (TestFileName(core_.Language(), tmpl, this))
        EFileNames->setText(tmpl);
}

void TFrSettings::SBTestMSGClick() {
    core_.SendTestEmail(editor_.Typed(Form()));
}

void TFrSettings::CB_LanguageChange() {
    if (!editor_.CB_LanguageChange(CB_Language->currentIndex()))
        return;
    const int chosen = CB_Language->currentIndex();
    TranslateComponent(core_.Language(), this);
    CB_Language->setCurrentIndex(chosen);
    SlidBufferChange();
    // Texts of another language need another size.
    adjustSize();
}

bool EditSettings(ProgramCore& core, QWidget* parent) {
    TFrSettings dialog(core, parent);
    const bool ok = dialog.exec() == 1;
    core.SettingsEdited(ok);
    return ok;
}
