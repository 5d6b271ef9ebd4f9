#include "ChildProcess.h"
#include "SmtpServer.h"
#include "TestSupport.h"
#include "gui/TFrSettings.h"
#include "gui/TFrmTest.h"
#include "program/ProgramCore.h"
#include "settings/IniFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTcpServer>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        folder.copyShippedLanguages();
        core = std::make_unique<ProgramCore>(ProgramPaths::Resolve(folder.path("tidewell"), {}),
                                             &presenter);
        ASSERT_TRUE(core->Create());
        core->SettingsStore().LoadSettings(core->Settings());
        core->Devices().RefreshDeviceList();
    }
    // The language switch sets the process's locale; later tests start from the same one.
    void TearDown() override { QLocale::setDefault(locale); }
    // Runs the dialog the way the menu does, acting on it once it is shown.
    bool edit(const std::function<void(TFrSettings&)>& act) {
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<TFrSettings*>(w); dialog && dialog->isVisible())
                    act(*dialog);
        });
        return EditSettings(*core, nullptr);
    }
    QString stored(const char* key) const {
        return IniFile(core->Paths().settingsFile).load().readString("Settings", key, "?");
    }
    static void keepPicture(QWidget& w, const QString& name) {
        const QString dir = qEnvironmentVariable("TIDEWELL_SCREENSHOTS");
        if (!dir.isEmpty())
            w.grab().save(dir + "/" + name + ".png");
    }

    QLocale locale;
    quint16 port = [] {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }();
    TestFolder folder;
    ScriptedPresenter presenter;
    std::unique_ptr<ProgramCore> core;
};

} // namespace

TEST_F(SettingsDialog, SavesWhatWasTypedAfterItsChecks) {
    core->Settings().DeviceName = "Speakers";
    core->Settings().DeviceIndex = 1;
    const bool saved = edit([&](TFrSettings& d) {
        EXPECT_EQ(d.CBDevice->currentIndex(), 0); // no such device: "no sound"
        EXPECT_EQ(d.LabBuffer->text(), "1.0 sec");
        d.SlidBuffer->setValue(15);
        EXPECT_EQ(d.LabBuffer->text(), "1.5 sec");
        d.CBUseSSL->click();
        EXPECT_EQ(d.RxPort->value(), 465);
        d.CBUseSSL->click();
        EXPECT_EQ(d.RxPort->value(), 25);
        d.CBShowPass->click();
        EXPECT_EQ(d.EPass->echoMode(), QLineEdit::Normal);

        // Refusals keep the dialog open and store nothing.
        d.EFileNames->setText("yyyy\\HH");
        presenter.answers = {DialogButton::No};
        d.SBSave->click();
        EXPECT_TRUE(d.isVisible());
        d.EFileNames->setText("RR\\yyyy\\HH");
        d.DERoot->clear();
        d.SBSave->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(core->Settings().Buffer, 1.0);

        d.DERoot->setText(folder.path("rec"));
        d.EHTTPPort->setValue(port);
        d.SBSave->click();
    });
    ASSERT_TRUE(saved);
    EXPECT_EQ(presenter.texts.size(), 2);
    EXPECT_EQ(core->Settings().Buffer, 1.5);
    EXPECT_EQ(stored("Buffer"), "1.5");
    EXPECT_EQ(stored("DeviceName"), "");
    EXPECT_EQ(stored("FileNames"), "RR\\yyyy\\HH");
    EXPECT_EQ(stored("Root"), folder.path("rec"));
    EXPECT_EQ(stored("HTTPPort"), QString::number(port));
    EXPECT_EQ(stored("MailPort"), "25");
    // The web page moved to the new port at once.
    ChildProcess curl;
    QByteArray status;
    ASSERT_TRUE(curl.start("curl", {"-s", "-o", "/dev/null", "-w", "%{http_code}\n",
                                    QStringLiteral("http://127.0.0.1:%1/").arg(port)}));
    EXPECT_TRUE(curl.readLine(&status, 10000));
    EXPECT_EQ(status, "200");
}

TEST_F(SettingsDialog, TestMessageWithTheValuesAsTyped) {
    SmtpServer mail;
    ASSERT_TRUE(mail.start());
    TFrSettings d(*core);
    d.EResp->setText("ops@example.org");
    d.ESender->setText("tidewell@example.org");
    d.ESMTP->setText("  ");
    d.EUser->setText("robot");
    d.SBTestMSG->click();
    ASSERT_EQ(presenter.texts.size(), 1);
    EXPECT_TRUE(presenter.texts[0].contains("SMTP server"));
    d.ESMTP->setText("127.0.0.1");
    d.RxPort->setValue(mail.port());
    d.SBTestMSG->click();
    const QList<QJsonObject> sent = mail.waitForMessages(1);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0]["subject"].toString(), "Test message");
    EXPECT_EQ(sent[0]["body_lines"].toArray()[0].toString(),
              core->Language().GetMessage("TestMSG"));
    EXPECT_EQ(stored("MailSMTP"), "?"); // nothing was saved
}

TEST_F(SettingsDialog, CancelKeepsTheFileButNotTheLanguageEngine) {
    const int russian = core->Language().FindLanguage("Russian");
    ASSERT_GE(russian, 0);
    const bool saved = edit([&](TFrSettings& d) {
        d.EHTTPPort->setValue(9000);
        d.CB_Language->setCurrentIndex(russian);
        Q_EMIT d.CB_Language->activated(russian);
        EXPECT_EQ(d.SBSave->text(), "Сохранить параметры");
        EXPECT_EQ(d.LabBuffer->text(), "1,0 sec"); // the Russian locale's decimal comma
        keepPicture(d, "settings-ru");
        d.SBCancel->click();
    });
    EXPECT_FALSE(saved);
    EXPECT_TRUE(core->Language().CurrentFile().endsWith("tidewell.Russian.lng"));
    EXPECT_EQ(core->Settings().Language, "English.lng");
    EXPECT_EQ(core->Settings().HTTPPort, 8070);
    EXPECT_EQ(stored("HTTPPort"), "?");
}

TEST_F(SettingsDialog, TemplateTestPreviewsAndReturnsTheEditedTemplate) {
    TFrSettings settings(*core);
    settings.show();
    keepPicture(settings, "settings-en");
    settings.EFileNames->setText("RR\\hh");
    QTimer::singleShot(0, [&] {
        auto* test = settings.findChild<TFrmTest*>();
        ASSERT_NE(test, nullptr);
        keepPicture(*test, "template-test-en");
        test->EFormat->setText("RR\\'Live'-yyyy");
        EXPECT_EQ(test->ERes->text(),
                  QString("\\{name radio}\\Live-%1.MP3").arg(QDate::currentDate().year()));
        test->SBOk->click();
    });
    settings.SBTestFileName->click();
    EXPECT_EQ(settings.EFileNames->text(), "RR\\'Live'-yyyy");

    ASSERT_TRUE(core->Language().SelectLanguage(core->Language().FindLanguage("Russian")));
    TFrmTest russian(core->Language(), "RR\\yyyy");
    russian.show();
    EXPECT_EQ(russian.windowTitle(), "Проверка имени файла");
    keepPicture(russian, "template-test-ru");
}
