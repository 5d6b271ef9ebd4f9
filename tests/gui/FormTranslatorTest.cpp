#include "gui/FormTranslator.h"
#include "TestSupport.h"
#include "lang/QVLanguage.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

class FormTranslatorTest : public ::testing::Test {
protected:
    FormTranslatorTest() { form.setObjectName(QStringLiteral("Main")); }

    // Loads a language file of the given text, the only one beside the program.
    const TLanguage& load(const QByteArray& text) {
        folder.write(QStringLiteral("tidewell.English.lng"), text);
        language = std::make_unique<TLanguage>(folder.path(QStringLiteral("tidewell.")));
        EXPECT_TRUE(language->SelectLanguage(0));
        return *language;
    }

    TestFolder folder;
    std::unique_ptr<TLanguage> language;
    QWidget form;
};

} // namespace

TEST_F(FormTranslatorTest, KeysReplaceTextsAndMissingKeysKeepTheDesignedOnes) {
    form.setWindowTitle(QStringLiteral("Designed title"));
    auto* box = named(new QGroupBox(QStringLiteral("Box"), &form), "GB");
    auto* inBox = named(new QLabel(QStringLiteral("Inside"), box), "LInside");
    auto* kept = named(new QLabel(QStringLiteral("Kept"), &form), "LKept");
    auto* push = named(new QPushButton(QStringLiteral("Push"), &form), "BPush");
    auto* tool = named(new QToolButton(&form), "SBTool");
    tool->setText(QStringLiteral("Tool"));
    auto* check = named(new QCheckBox(QStringLiteral("Check"), &form), "CBCheck");
    auto* radio = named(new QRadioButton(QStringLiteral("Radio"), &form), "RBRadio");
    auto* status = named(new QStatusBar(&form), "StatusBar1");
    status->showMessage(QStringLiteral("Ready"));
    auto* layout = new QVBoxLayout(&form);
    for (QWidget* w : std::initializer_list<QWidget*>{kept, push, tool, check, radio, box, status})
        layout->addWidget(w);
    new QVBoxLayout(box);
    box->layout()->addWidget(inBox);

    TranslateComponent(load("[Main]\n"
                            "Caption=Station settings\n"
                            "GB=Group\n"
                            "LInside=Nested in a group box\n"
                            "BPush=&Save\n"
                            "SBTool=&Open\n"
                            "CBCheck=Delete after\n"
                            "RBRadio=Mono\n"
                            "StatusBar1=Connected\n"
                            "[Other]\n"
                            "LKept=From another section\n"),
                       &form);

    EXPECT_EQ(form.windowTitle(), "Station settings");
    EXPECT_EQ(box->title(), "Group");
    EXPECT_EQ(inBox->text(), "Nested in a group box");
    EXPECT_EQ(kept->text(), "Kept");
    EXPECT_EQ(push->text(), "&Save");
    EXPECT_EQ(tool->text(), "&Open");
    EXPECT_EQ(check->text(), "Delete after");
    EXPECT_EQ(radio->text(), "Mono");
    EXPECT_EQ(status->currentMessage(), "Connected");
}

TEST_F(FormTranslatorTest, MissingCaptionKeepsTheWindowTitle) {
    form.setWindowTitle(QStringLiteral("Designed title"));
    auto* label = named(new QLabel(QStringLiteral("Label"), &form), "L1");
    TranslateComponent(load("[Main]\nL1=Translated\n"), &form);
    EXPECT_EQ(form.windowTitle(), "Designed title");
    EXPECT_EQ(label->text(), "Translated");
}

TEST_F(FormTranslatorTest, HintsSetTooltipsUnlessEmpty) {
    auto* withHint = named(new QPushButton(QStringLiteral("A"), &form), "BA");
    withHint->setToolTip(QStringLiteral("Designed hint A"));
    auto* emptyHint = named(new QPushButton(QStringLiteral("B"), &form), "BB");
    emptyHint->setToolTip(QStringLiteral("Designed hint B"));
    auto* noHint = named(new QLabel(QStringLiteral("C"), &form), "LC");
    auto* panel = named(new QFrame(&form), "PanBottom");

    TranslateComponent(load("[Main]\n"
                            "BA.Hint=Starts the stream\n"
                            "BB.Hint=\n"
                            "LC.Hint=Shows the title\n"
                            "PanBottom.Hint=Drop files here\n"),
                       &form);

    EXPECT_EQ(withHint->toolTip(), "Starts the stream");
    EXPECT_EQ(emptyHint->toolTip(), "Designed hint B");
    EXPECT_EQ(noHint->toolTip(), "Shows the title");
    EXPECT_EQ(panel->toolTip(), "Drop files here");
    // A hint key is not a caption key.
    EXPECT_EQ(withHint->text(), "A");
}

TEST_F(FormTranslatorTest, RadioGroupChangesOnlyTheNumberedItemsWithKeys) {
    auto* group = named(new QGroupBox(QStringLiteral("Start"), &form), "RGMode");
    group->setProperty("radioGroup", true);
    auto* buttons = new QButtonGroup(group);
    auto* layout = new QVBoxLayout(group);
    QList<QRadioButton*> radios;
    for (const char* text : {"Manual", "Silence only", "Record"}) {
        auto* radio = new QRadioButton(QLatin1String(text), group);
        buttons->addButton(radio);
        layout->addWidget(radio);
        radios.append(radio);
    }
    radios[1]->setChecked(true);
    // A plain group box has no items, even with keys for them.
    auto* plain = named(new QGroupBox(QStringLiteral("Plain"), &form), "GBPlain");
    auto* plainRadio = new QRadioButton(QStringLiteral("Unnamed"), plain);

    TranslateComponent(load("[Main]\n"
                            "RGMode=Mode\n"
                            "RGMode.1=Do not connect\n"
                            "RGMode.3=Connect and record\n"
                            "RGMode.4=No such item\n"
                            "GBPlain.1=Not an item\n"),
                       &form);

    EXPECT_EQ(group->title(), "Mode");
    EXPECT_EQ(radios[0]->text(), "Do not connect");
    EXPECT_EQ(radios[1]->text(), "Silence only");
    EXPECT_EQ(radios[2]->text(), "Connect and record");
    EXPECT_TRUE(radios[1]->isChecked());
    EXPECT_EQ(plainRadio->text(), "Unnamed");
}

TEST_F(FormTranslatorTest, ComboBoxKeepsItsSelectionAndEditableTextFollowsItsKey) {
    auto* combo = named(new QComboBox(&form), "CBDriver");
    combo->addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    combo->setCurrentIndex(1);
    auto* editable = named(new QComboBox(&form), "CBEdit");
    editable->setEditable(true);
    editable->addItems({QStringLiteral("first"), QStringLiteral("second")});
    editable->setCurrentIndex(-1);
    editable->setEditText(QStringLiteral("typed"));

    TranslateComponent(load("[Main]\n"
                            "CBDriver=Not for a list-only combo\n"
                            "CBDriver.1=One\n"
                            "CBDriver.2=Two\n"
                            "CBEdit=Typed in\n"
                            "CBEdit.2=Second\n"),
                       &form);

    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(combo->currentText(), "Two");
    EXPECT_EQ(combo->itemText(0), "One");
    EXPECT_EQ(combo->itemText(2), "three");
    EXPECT_EQ(editable->currentText(), "Typed in");
    EXPECT_EQ(editable->itemText(1), "Second");
    EXPECT_EQ(editable->itemText(0), "first");
}

TEST_F(FormTranslatorTest, MenuItemsGetTextAndHintButSeparatorsNeverChange) {
    auto* bar = named(new QMenuBar(&form), "MainMenu1");
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("MFile"));
    QAction* open = file->addAction(QStringLiteral("Open"));
    open->setObjectName(QStringLiteral("MOpen"));
    QAction* separator = file->addSeparator();
    separator->setObjectName(QStringLiteral("N1"));
    // An action owned outside the form still is an item of the form's menu.
    QObject elsewhere;
    auto* shared = new QAction(QStringLiteral("Quit"), &elsewhere);
    shared->setObjectName(QStringLiteral("MQuit"));
    file->addAction(shared);
    QAction* onBar = bar->addAction(QStringLiteral("Order"));
    onBar->setObjectName(QStringLiteral("Order"));
    QAction* barSeparator = bar->addSeparator();
    barSeparator->setObjectName(QStringLiteral("N2"));

    TranslateComponent(load("[Main]\n"
                            "MFile=&File\n"
                            "MOpen=&Open stream\n"
                            "MOpen.Hint=Opens a stream\n"
                            "N1=Not a separator any more\n"
                            "N2=-x-\n"
                            "MQuit=&Quit\n"
                            "Order=&Arrange\n"),
                       &form);

    EXPECT_EQ(file->title(), "&File");
    EXPECT_EQ(open->text(), "&Open stream");
    EXPECT_EQ(open->statusTip(), "Opens a stream");
    EXPECT_EQ(open->toolTip(), "Opens a stream");
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_EQ(separator->text(), QString());
    EXPECT_TRUE(barSeparator->isSeparator());
    EXPECT_EQ(barSeparator->text(), QString());
    EXPECT_EQ(shared->text(), "&Quit");
    EXPECT_EQ(onBar->text(), "&Arrange");
}

TEST_F(FormTranslatorTest, ListItemsByNumberKeepTheirCheckStates) {
    auto* list = named(new QListWidget(&form), "CLB");
    const Qt::CheckState states[] = {Qt::Checked, Qt::Unchecked, Qt::PartiallyChecked};
    for (int i = 0; i < 3; ++i) {
        auto* item = new QListWidgetItem(QStringLiteral("item %1").arg(i + 1), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(states[i]);
    }
    list->setCurrentRow(2);

    TranslateComponent(load("[Main]\nCLB.1=Alpha\nCLB.2=Beta\nCLB.3=Gamma\n"), &form);

    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "Alpha");
    EXPECT_EQ(list->item(2)->text(), "Gamma");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list->item(i)->checkState(), states[i]) << "item " << i + 1;
    EXPECT_EQ(list->currentRow(), 2);
}

TEST_F(FormTranslatorTest, TreeNodesAreNumberedInFlatPreOrder) {
    auto* tree = named(new QTreeWidget(&form), "TV");
    auto* a = new QTreeWidgetItem(tree, {QStringLiteral("a")});
    auto* a1 = new QTreeWidgetItem(a, {QStringLiteral("a1")});
    auto* a1x = new QTreeWidgetItem(a1, {QStringLiteral("a1x")});
    auto* a2 = new QTreeWidgetItem(a, {QStringLiteral("a2")});
    auto* b = new QTreeWidgetItem(tree, {QStringLiteral("b")});

    TranslateComponent(load("[Main]\nTV.2=A1\nTV.3=A1X\nTV.5=B\n"), &form);

    EXPECT_EQ(a->text(0), "a");
    EXPECT_EQ(a1->text(0), "A1");
    EXPECT_EQ(a1x->text(0), "A1X");
    EXPECT_EQ(a2->text(0), "a2");
    EXPECT_EQ(b->text(0), "B");
}

TEST_F(FormTranslatorTest, TableHeaderCellsByColumnAndRow) {
    // Only column headers: they are row 1, numbered from column 1.
    auto* columns = named(new QTableWidget(2, 3, &form), "SGColumns");
    columns->setHorizontalHeaderLabels({"c1", "c2", "c3"});
    columns->verticalHeader()->hide();
    columns->setItem(0, 0, new QTableWidgetItem(QStringLiteral("data")));
    // Both headers: column 1 holds the row headers, row 1 the column headers.
    auto* both = named(new QTableWidget(2, 2, &form), "SGBoth");
    both->setHorizontalHeaderLabels({"c1", "c2"});
    both->setVerticalHeaderLabels({"r1", "r2"});

    TranslateComponent(load("[Main]\n"
                            "SGColumns.1.1=Time\n"
                            "SGColumns.3.1=Title\n"
                            "SGColumns.1.2=Not a header cell\n"
                            "SGBoth.2.1=Name\n"
                            "SGBoth.1.3=Second row\n"),
                       &form);

    EXPECT_EQ(columns->horizontalHeaderItem(0)->text(), "Time");
    EXPECT_EQ(columns->horizontalHeaderItem(1)->text(), "c2");
    EXPECT_EQ(columns->horizontalHeaderItem(2)->text(), "Title");
    EXPECT_EQ(columns->item(0, 0)->text(), "data");
    EXPECT_EQ(both->horizontalHeaderItem(0)->text(), "Name");
    EXPECT_EQ(both->horizontalHeaderItem(1)->text(), "c2");
    EXPECT_EQ(both->verticalHeaderItem(0)->text(), "r1");
    EXPECT_EQ(both->verticalHeaderItem(1)->text(), "Second row");
}

TEST_F(FormTranslatorTest, LabelledEditNamesItsLabelAndTextUnderDotText) {
    // The edit comes first among the children, so the order of making decides nothing.
    auto* edit = named(new QLineEdit(QStringLiteral("x"), &form), "EName");
    auto* label = named(new QLabel(QStringLiteral("Name"), &form), "LEName");
    label->setBuddy(edit);
    auto* plain = named(new QLineEdit(QStringLiteral("y"), &form), "EPlain");

    TranslateComponent(load("[Main]\n"
                            "LEName=The label's own key\n"
                            "EName=Station name\n"
                            "EName.Text=Radio\n"
                            "EName.Hint=The station's name\n"
                            "EPlain=Plain text\n"),
                       &form);

    // The edit names its label, so its key wins over the label's own.
    EXPECT_EQ(label->text(), "Station name");
    EXPECT_EQ(edit->text(), "Radio");
    EXPECT_EQ(edit->toolTip(), "The station's name");
    EXPECT_EQ(plain->text(), "Plain text");
}

TEST_F(FormTranslatorTest, TabPagesByNameAndTabBarTabsByNumber) {
    auto* pages = named(new QTabWidget(&form), "PageControl1");
    pages->addTab(named(new QWidget, "TSMain"), QStringLiteral("main"));
    pages->addTab(named(new QWidget, "TSMore"), QStringLiteral("more"));
    pages->setCurrentIndex(1);
    auto* tabs = named(new QTabBar(&form), "TabControl1");
    for (const char* text : {"t1", "t2", "t3"})
        tabs->addTab(QLatin1String(text));

    TranslateComponent(load("[Main]\n"
                            "PageControl1=Pages have no caption\n"
                            "PageControl1.Hint=All settings\n"
                            "TSMain=&General\n"
                            "TSMain.Hint=General settings\n"
                            "TabControl1.2=Second\n"),
                       &form);

    EXPECT_EQ(pages->toolTip(), "All settings");
    EXPECT_EQ(pages->tabText(0), "&General");
    EXPECT_EQ(pages->tabToolTip(0), "General settings");
    EXPECT_EQ(pages->tabText(1), "more");
    EXPECT_EQ(pages->currentIndex(), 1);
    EXPECT_EQ(tabs->tabText(0), "t1");
    EXPECT_EQ(tabs->tabText(1), "Second");
    EXPECT_EQ(tabs->tabText(2), "t3");
}

TEST_F(FormTranslatorTest, NestedFrameIsTranslatedOnlyWhenPassedItself) {
    form.setWindowTitle(QStringLiteral("Window"));
    auto* own = named(new QLabel(QStringLiteral("own"), &form), "LOwn");
    auto* frame = named(new QWidget(&form), "Frame");
    frame->setProperty("tidewellForm", true);
    frame->setWindowTitle(QStringLiteral("Frame title"));
    auto* inner = new QGroupBox(frame);
    auto* framed = named(new QLabel(QStringLiteral("framed"), inner), "LFramed");
    const QByteArray text = "[Main]\n"
                            "LOwn=Window label\n"
                            "LFramed=Wrong section\n"
                            "[Frame]\n"
                            "Caption=A frame has no caption\n"
                            "LFramed=Frame label\n"
                            "LOwn=Not the frame's\n";
    const TLanguage& lang = load(text);

    TranslateComponent(lang, &form);
    EXPECT_EQ(own->text(), "Window label");
    EXPECT_EQ(framed->text(), "framed");

    TranslateComponent(lang, frame);
    EXPECT_EQ(framed->text(), "Frame label");
    EXPECT_EQ(own->text(), "Window label");
    EXPECT_EQ(frame->windowTitle(), "Frame title");
    EXPECT_EQ(form.windowTitle(), "Window");
}

TEST_F(FormTranslatorTest, ValuesGetEscapesAndReferences) {
    auto* lines = named(new QLabel(QStringLiteral("lines"), &form), "LLines");
    auto* reference = named(new QPushButton(QStringLiteral("about"), &form), "BAbout");
    auto* dotted = named(new QLabel(QStringLiteral("dotted"), &form), "LDotted");

    TranslateComponent(load("[Constants]\n"
                            "Prog=Tidewell\n"
                            "[Main]\n"
                            "Caption=About .Prog\n"
                            "LLines=First\\nSecond\\tTabbed\n"
                            "BAbout=&About .Prog!\n"
                            "LDotted=Version 1.0 of .Unknown\n"),
                       &form);

    EXPECT_EQ(form.windowTitle(), "About Tidewell");
    EXPECT_EQ(lines->text(), "First\r\nSecond\tTabbed");
    EXPECT_EQ(reference->text(), "&About Tidewell!");
    EXPECT_EQ(dotted->text(), "Version 1.0 of .Unknown");
}

TEST_F(FormTranslatorTest, WithoutTheLanguageFileNothingChanges) {
    form.setWindowTitle(QStringLiteral("About .Prog"));
    auto* label = named(new QLabel(QStringLiteral("Line\\nbreak"), &form), "L1");
    label->setToolTip(QStringLiteral("tip .Prog"));
    const TLanguage& lang = load("[Constants]\nProg=Tidewell\n[Main]\nL1=Translated\n");
    ASSERT_TRUE(QFile::remove(lang.CurrentFile()));

    // The constants stay loaded, so only the missing file keeps the designed texts,
    // which would otherwise get their escapes and references applied.
    TranslateComponent(lang, &form);

    EXPECT_EQ(form.windowTitle(), "About .Prog");
    EXPECT_EQ(label->text(), "Line\\nbreak");
    EXPECT_EQ(label->toolTip(), "tip .Prog");
}
