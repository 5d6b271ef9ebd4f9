#include "gui/TFr_Station.h"

#include "gui/LedMeterView.h"
#include "gui/QtColor.h"
#include "station/StationEngine.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kBarWidth = 286;
constexpr int kBarHeight = 5;
constexpr int kMeterHeight = 30;

QString hex(quint32 c) {
    return ToQColor(c).name();
}

QLabel* formatField(QWidget* parent, const char* name, const QString& hint) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameShape(QFrame::StyledPanel);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(44);
    label->setToolTip(hint);
    return label;
}

QToolButton* button(QWidget* parent, const char* name, QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(true);
    return b;
}

// The record face: a red dot, as recorders show it.
QIcon recordIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(220, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(pixmap);
}

QPixmap barPixmap(const BarImage& bar, const QColor& panel) {
    QPixmap pixmap(kBarWidth, kBarHeight);
    pixmap.fill(bar.PanelColor ? panel : ToQColor(bar.RestColor));
    if (!bar.PanelColor && bar.Width > 0) {
        QPainter painter(&pixmap);
        painter.fillRect(0, 0, bar.Width, kBarHeight, ToQColor(bar.BarColor));
    }
    return pixmap;
}

} // namespace

TFr_Station::TFr_Station(StationEngine& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
    setObjectName(QStringLiteral("Fr_Station"));
    build();
    connect(&engine_, &StationEngine::changed, this, &TFr_Station::refresh);
    connect(SBLink, &QToolButton::clicked, this, &TFr_Station::SBLinkClick);
    connect(SBR, &QToolButton::clicked, &engine_, &StationEngine::SBRClick);
    connect(SBOpen, &QToolButton::clicked, &engine_, &StationEngine::SBOpenClick);
    connect(SBListen, &QToolButton::clicked, &engine_, &StationEngine::SBListenClick);
    connect(SBSetting, &QToolButton::clicked, this, [this] { Q_EMIT settingsRequested(&engine_); });
    connect(&engine_, &StationEngine::meterReset, this, &TFr_Station::resetMeter);
    connect(ImgLed, &LedMeterView::clicked, this, &TFr_Station::ImgLedClick);
    ImgConnect->installEventFilter(this);
    resetMeter();
    refresh();
    setFixedSize(sizeHint());
}

void TFr_Station::build() {
    PanStatus = new QLabel(this);
    PanStatus->setObjectName(QStringLiteral("PanStatus"));
    PanStatus->setAlignment(Qt::AlignCenter);
    PanStatus->setFixedSize(96, 24);
    QFont bold = PanStatus->font();
    bold.setBold(true);
    PanStatus->setFont(bold);
    SBLink = button(this, "SBLink", QStyle::SP_MediaPlay);
    SBR = button(this, "SBR", QStyle::SP_MediaStop);
    SBSetting = button(this, "SBSetting", QStyle::SP_FileDialogDetailedView);
    SBOpen = button(this, "SBOpen", QStyle::SP_DirOpenIcon);
    PanListen = new QWidget(this);
    PanListen->setObjectName(QStringLiteral("PanListen"));
    SBListen = button(PanListen, "SBListen", QStyle::SP_MediaVolume);
    HDListen = new QWidget(PanListen);
    HDListen->setObjectName(QStringLiteral("HDListen"));
    HDListen->setFixedSize(8, 20);
    auto* listen = new QHBoxLayout(PanListen);
    listen->setContentsMargins(0, 0, 0, 0);
    listen->setSpacing(1);
    listen->addWidget(SBListen);
    listen->addWidget(HDListen);

    auto* top = new QHBoxLayout;
    top->addWidget(PanStatus);
    for (QWidget* w : {static_cast<QWidget*>(SBLink), static_cast<QWidget*>(SBR),
                       static_cast<QWidget*>(SBSetting), static_cast<QWidget*>(SBOpen), PanListen})
        top->addWidget(w);
    top->addStretch();

    LStation = new QLabel(this);
    LStation->setObjectName(QStringLiteral("LStation"));
    LStation->setFont(bold);
    LTitle = new QLabel(this);
    LTitle->setObjectName(QStringLiteral("LTitle"));
    for (QLabel* l : {LStation, LTitle}) {
        l->setFixedWidth(kBarWidth);
        l->setTextFormat(Qt::PlainText);
    }

    GBuffer = new QProgressBar(this);
    GBuffer->setObjectName(QStringLiteral("GBuffer"));
    GBuffer->setRange(0, 100);
    GBuffer->setTextVisible(false);
    GBuffer->setFixedSize(30, 20);
    E_InFreq = formatField(this, "E_InFreq", tr("Stream sample rate"));
    E_InBitrate = formatField(this, "E_InBitrate", tr("Stream bit rate"));
    E_InCh = formatField(this, "E_InCh", tr("Stream channels"));
    ImgTo = new QLabel(this);
    ImgTo->setObjectName(QStringLiteral("ImgTo"));
    ImgTo->setPixmap(style()->standardIcon(QStyle::SP_ArrowRight).pixmap(14, 14));
    ImgTo->setFixedWidth(16);
    E_OutFreq = formatField(this, "E_OutFreq", tr("Recording sample rate"));
    E_OutBitrate = formatField(this, "E_OutBitrate", tr("Recording bit rate"));
    E_OutCh = formatField(this, "E_OutCh", tr("Recording channels"));
    auto* formats = new QHBoxLayout;
    formats->setSpacing(2);
    for (QWidget* w : {static_cast<QWidget*>(GBuffer), static_cast<QWidget*>(E_InFreq),
                       static_cast<QWidget*>(E_InBitrate), static_cast<QWidget*>(E_InCh),
                       static_cast<QWidget*>(ImgTo), static_cast<QWidget*>(E_OutFreq),
                       static_cast<QWidget*>(E_OutBitrate), static_cast<QWidget*>(E_OutCh)})
        formats->addWidget(w);

    ImgLed = new LedMeterView(this);
    ImgLed->setObjectName(QStringLiteral("ImgLed"));
    ImgLed->setToolTip(tr("Level; a click changes the scale"));
    ImgSilence = new QLabel(this);
    ImgSilence->setObjectName(QStringLiteral("ImgSilence"));
    ImgSilence->setToolTip(tr("Silence detector"));
    ImgConnect = new QLabel(this);
    ImgConnect->setObjectName(QStringLiteral("ImgConnect"));
    ImgConnect->setToolTip(tr("Connection detector"));
    LStatus = new QLabel(this);
    LStatus->setObjectName(QStringLiteral("LStatus"));
    LStatus->setFixedWidth(kBarWidth);
    LStatus->setTextFormat(Qt::PlainText);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(3);
    column->addLayout(top);
    column->addWidget(LStation);
    column->addWidget(LTitle);
    column->addLayout(formats);
    column->addWidget(ImgLed);
    column->addWidget(ImgSilence);
    column->addWidget(ImgConnect);
    column->addWidget(LStatus);
}

void TFr_Station::refresh() {
    showStatusWord();
    showButtons();
    LStation->setText(engine_.Labels().Station);
    LTitle->setText(engine_.Labels().Title);
    LStatus->setText(engine_.StatusLine());
    const FormatTexts& f = engine_.Formats();
    E_InFreq->setText(f.InFreq);
    E_InBitrate->setText(f.InBitrate);
    E_InCh->setText(f.InCh);
    E_OutFreq->setText(f.OutFreq);
    E_OutBitrate->setText(f.OutBitrate);
    E_OutCh->setText(f.OutCh);
    GBuffer->setValue(engine_.BufferFill());
    const QString chunk = QStringLiteral("QProgressBar::chunk { background: %1; }")
                              .arg(hex(engine_.BufferColorNow()));
    if (GBuffer->styleSheet() != chunk)
        GBuffer->setStyleSheet(chunk);
    showBars();
    Show_Level();
}

void TFr_Station::Show_Level() {
    if (const std::optional<MeterLevels> levels = ::Show_Level(true, engine_.RawLevel(), level_))
        ImgLed->Apply(LedMetter::Bars(engine_.Station().Number, kBarWidth, kMeterHeight,
                                      levels->left, levels->right));
}

// The connection bar answers a click as the meter does.
bool TFr_Station::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ImgConnect && event->type() == QEvent::MouseButtonPress)
        ImgLedClick();
    return QWidget::eventFilter(watched, event);
}

void TFr_Station::resetMeter() {
    level_ = LevelState();
    ImgLed->Apply(LedMetter::Reset(engine_.Station().Number, kBarWidth, kMeterHeight));
}

void TFr_Station::ImgLedClick() {
    ImgLed->Apply(LedMetter::Click(engine_.Station().Number, kBarWidth, kMeterHeight));
    level_ = LevelState();
}

void TFr_Station::showStatusWord() {
    const StatusLook& look = engine_.Look();
    const QString style = QStringLiteral("QLabel { background: %1; color: %2; }")
                              .arg(hex(look.Panel), hex(look.Font));
    // Assigned only when they differ: the status word pulses on every tick.
    if (PanStatus->styleSheet() != style)
        PanStatus->setStyleSheet(style);
    if (PanStatus->text() != engine_.StatusWord())
        PanStatus->setText(engine_.StatusWord());
    ImgTo->setVisible(look.ShowsArrow);
}

void TFr_Station::showButtons() {
    SBLink->setEnabled(engine_.LinkEnabled());
    SBR->setEnabled(engine_.RecordEnabled());
    // Faces change with the state, not with every tick.
    if (SBLink->property("stopFace") != engine_.LinkShowsStop()) {
        SBLink->setProperty("stopFace", engine_.LinkShowsStop());
        SBLink->setIcon(style()->standardIcon(engine_.LinkShowsStop() ? QStyle::SP_MediaPause
                                                                      : QStyle::SP_MediaPlay));
    }
    if (SBR->property("stopFace") != engine_.RecordShowsStop()) {
        SBR->setProperty("stopFace", engine_.RecordShowsStop());
        SBR->setIcon(engine_.RecordShowsStop() ? style()->standardIcon(QStyle::SP_MediaStop)
                                               : recordIcon());
    }
    PanListen->setVisible(engine_.ListenVisible());
    const bool listening = engine_.Station().Listening;
    const QString gradient =
        QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2);")
            .arg(listening ? "#00ff00" : "#ffffff", listening ? "#008000" : "#c0c0c0");
    if (HDListen->styleSheet() != gradient)
        HDListen->setStyleSheet(gradient);
}

void TFr_Station::showBars() {
    const QColor panel = palette().color(QPalette::Window);
    ImgSilence->setPixmap(barPixmap(engine_.SilenceBarFor(kBarWidth), panel));
    ImgConnect->setPixmap(barPixmap(engine_.ConnectionBarFor(kBarWidth), panel));
}

void TFr_Station::SBLinkClick() {
    if (engine_.LinkShowsStop())
        engine_.Link_Stop();
    else
        engine_.Link_Start();
}
