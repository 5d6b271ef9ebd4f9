#include "gui/TQVTidewell.h"

#include "gui/FormTranslator.h"
#include "gui/TFrSettings.h"
#include "gui/TFr_Email.h"
#include "gui/TFr_SetStation.h"
#include "gui/TFr_Station.h"
#include "program/ProgramCore.h"
#include "station/StationEngine.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>

TQVTidewell::TQVTidewell(ProgramCore& core, QWidget* parent)
    : QMainWindow(parent), core_(core), mdi_(new QMdiArea(this)),
      RTIcon(new QSystemTrayIcon(this)) {
    setObjectName(QStringLiteral("QVTidewell"));
    setCentralWidget(mdi_);
    setWindowTitle(core_.Caption());
    setMinimumSize(330, 200);
    buildMenu();
    TranslateComponent(core_.Language(), this);
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QRect bounds = core_.SettingsStore().LoadMainWindowPos(screen);
    move(bounds.topLeft());
    resize(bounds.size());
    RTIcon->setIcon(QIcon::fromTheme(QStringLiteral("audio-x-generic"),
                                     style()->standardIcon(QStyle::SP_MediaVolume)));
    RTIcon->setToolTip(core_.Caption());
    connect(RTIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick || r == QSystemTrayIcon::Trigger)
            RestoreWindow();
    });
    StationRegistry& stations = core_.Stations();
    stations.OnAdded = [this](StationEngine* engine) { addStationWindow(engine); };
    stations.OnRemoving = [this](StationEngine* engine) { removeStationWindow(engine); };
    // The mail goes out on a thread of its own; the window follows it here.
    connect(&core_.Mailer(), &MailSender::ShowMailProgress, this, &TQVTidewell::ShowMailProgress,
            Qt::QueuedConnection);
    connect(&core_.Mailer(), &MailSender::CloseMailProgress, this, &TQVTidewell::CloseMailProgress,
            Qt::QueuedConnection);
    TimerNuclear.setInterval(100);
    connect(&TimerNuclear, &QTimer::timeout, this, &TQVTidewell::InitProgram);
    TimerNuclear.start();
}

TQVTidewell::~TQVTidewell() {
    core_.Stations().OnAdded = nullptr;
    core_.Stations().OnRemoving = nullptr;
}

void TQVTidewell::buildMenu() {
    // The items stand on the menu bar itself, with their designed captions; the
    // language file translates them.
    QMenuBar* menu = menuBar();
    menu->setObjectName(QStringLiteral("MainMenu1"));
    QAction* add =
        menu->addAction(QStringLiteral("Добавить станцию"), this, &TQVTidewell::AddStationClick);
    add->setObjectName(QStringLiteral("AddStation"));
    menu->addSeparator()->setObjectName(QStringLiteral("N1"));
    QAction* settings = menu->addAction(QStringLiteral("Настройки программы"), this,
                                        &TQVTidewell::MainsettingsClick);
    settings->setObjectName(QStringLiteral("Mainsettings"));
    menu->addSeparator()->setObjectName(QStringLiteral("N2"));
    QAction* order = menu->addAction(QStringLiteral("Упорядочить"), this, &TQVTidewell::OrderClick);
    order->setObjectName(QStringLiteral("Order"));
}

// The first tick starts everything; from then on the core runs the main tick.
void TQVTidewell::InitProgram() {
    TimerNuclear.stop();
    core_.InitProgram();
    if (core_.Settings().InTray)
        showMinimized();
}

void TQVTidewell::addStationWindow(StationEngine* engine) {
    auto* station = new TFr_Station(*engine);
    station->setWindowTitle(engine->Station().Config.Name);
    connect(station, &TFr_Station::settingsRequested, this, &TQVTidewell::EditStation);
    QMdiSubWindow* sub = mdi_->addSubWindow(station, Qt::SubWindow | Qt::WindowTitleHint |
                                                         Qt::WindowMinimizeButtonHint);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->setFixedSize(sub->sizeHint());
    sub->show();
    // Placed after showing: the area would otherwise cascade it.
    sub->move(engine->WindowPos());
    sub->installEventFilter(this);
    windows_[engine] = sub;
}

void TQVTidewell::removeStationWindow(StationEngine* engine) {
    const auto it = windows_.find(engine);
    if (it == windows_.end())
        return;
    QMdiSubWindow* sub = it->second;
    windows_.erase(it);
    sub->removeEventFilter(this);
    mdi_->removeSubWindow(sub);
    delete sub;
}

TFr_Station* TQVTidewell::StationWindow(StationEngine* engine) const {
    const auto it = windows_.find(engine);
    return it == windows_.end() ? nullptr : static_cast<TFr_Station*>(it->second->widget());
}

bool TQVTidewell::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move)
        for (const auto& [engine, sub] : windows_)
            if (sub == watched)
                engine->MoveWindow(sub->pos());
    // A station window has one size; closing it is the station's delete button's job.
    if (event->type() == QEvent::Close && !closed_) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TQVTidewell::AddStationClick() {
    StationEngine* engine = core_.Stations().AddStation();
    if (!engine)
        return;
    QMdiSubWindow* sub = windows_.at(engine);
    const QSize area = mdi_->viewport()->size();
    sub->move((area.width() - sub->width()) / 2, (area.height() - sub->height()) / 2);
    EditStation(engine);
}

void TQVTidewell::EditStation(StationEngine* engine) {
    EditStationConfig(core_, *engine, this);
    if (QMdiSubWindow* sub = windows_.count(engine) ? windows_.at(engine) : nullptr)
        sub->widget()->setWindowTitle(engine->Station().Config.Name);
}

void TQVTidewell::MainsettingsClick() {
    EditSettings(core_, this);
    TranslateComponent(core_.Language(), this);
}

void TQVTidewell::OrderClick() {
    QList<QSize> sizes;
    QList<QMdiSubWindow*> subs;
    for (int i = 0; i < core_.Stations().Count(); ++i) {
        QMdiSubWindow* sub = windows_.at(core_.Stations().At(i));
        subs << sub;
        sizes << sub->size();
    }
    const QList<QPoint> places = OrderStation(sizes, mdi_->viewport()->width());
    for (int i = 0; i < subs.size(); ++i)
        subs[i]->move(places[i]);
}

void TQVTidewell::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        OnMinimized();
}

// Minimised, the program lives in the tray when the desktop has one.
void TQVTidewell::OnMinimized() {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    RTIcon->show();
    QTimer::singleShot(0, this, &QWidget::hide);
}

void TQVTidewell::RestoreWindow() {
    RTIcon->hide();
    showNormal();
    raise();
    activateWindow();
}

void TQVTidewell::ShowMailProgress(const QString& text, const QString& heading) {
    if (RTIcon->isVisible())
        return;
    if (!mailWindow_)
        mailWindow_ = new TFr_Email(this);
    mailWindow_->Show(text, heading);
}

void TQVTidewell::CloseMailProgress() {
    if (mailWindow_)
        mailWindow_->close();
}

void TQVTidewell::SessionEnding() {
    AskOnClose = false;
    close();
}

void TQVTidewell::closeEvent(QCloseEvent* event) {
    if (AskOnClose &&
        core_.Language().ShowDialog(QStringLiteral("Exit"), DialogType::Confirmation, {}, QString(),
                                    DialogButton::Yes | DialogButton::No) != DialogButton::Yes) {
        event->ignore();
        return;
    }
    closed_ = true;
    TimerNuclear.stop();
    core_.Shutdown();
    core_.SettingsStore().SaveMainWindowPos(QRect(pos(), size()));
    RTIcon->hide();
    event->accept();
}
