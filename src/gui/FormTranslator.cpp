#include "gui/FormTranslator.h"

#include "lang/QVLanguage.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
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
#include <QSet>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <vector>

// The Qt class that plays each control role of a form. A widget is matched by its
// exact class (metaObject()->className()), so a custom subclass that draws itself is
// never rewritten by accident:
//   QLabel        label, static text, and a panel showing a caption: text, hint
//   QFrame        a panel without a caption (Qt frames have none): hint
//   QPushButton   button, bitmap button: text, hint
//   QToolButton   speed button, tool bar button: text, hint
//   QCheckBox     check box: text, hint
//   QRadioButton  radio button: text, hint
//   QGroupBox     group box: title, hint; with the property "radioGroup" set to true it
//                 is a radio group whose items are its radio buttons in order
//   QLineEdit     edit: text, hint; a labelled edit is a QLineEdit that a QLabel names
//                 as its buddy: the label's text under the edit's name, the edit's text
//                 under name + ".Text"
//   QComboBox     combo box: edit text when editable, items by number, hint
//   QListWidget   list box and check list box: items by number, hint
//   QTabWidget    page control: hint; its pages are the tab sheets, whose tab text
//                 and tab tooltip go by the page's name
//   QTabBar       tab control: tab texts by number, hint
//   QStatusBar    status bar: its current message, hint
//   QTableWidget  string grid: header cells by column and row, hint
//   QTreeWidget   tree view: every node's text by its flat pre-order number, hint
//   QMenu         a menu item with a submenu: title, hint on its menu action
//   QAction       menu item: text, hint as status tip and tooltip. Matched by
//                 inheritance: every menu entry is a QAction, so subclasses such as
//                 QWidgetAction are menu items too.
// Objects named "qt_..." are Qt's own inner widgets (a spin box's edit, a tab widget's
// bar) and never translated.

namespace {

bool isFormWidget(const QObject* object) {
    return object->isWidgetType() && object->property("tidewellForm").toBool();
}

// The form a control belongs to: its nearest ancestor that is a form.
const QObject* owningForm(const QObject* object, const QWidget* top) {
    for (const QObject* p = object->parent(); p; p = p->parent())
        if (p == top || isFormWidget(p))
            return p;
    return nullptr;
}

bool isClass(const QObject* object, const char* name) {
    return qstrcmp(object->metaObject()->className(), name) == 0;
}

class FormTranslator {
public:
    FormTranslator(const TLanguage& language, QWidget* form)
        : language_(language), form_(form), entries_(language.ReadSection(form->objectName())) {}

    void run() {
        if (form_->isWindow())
            update(QStringLiteral("Caption"), form_->windowTitle(),
                   [&](const QString& v) { form_->setWindowTitle(v); });
        std::vector<QLineEdit*> labelledEdits;
        for (QObject* object : controls()) {
            if (auto* action = qobject_cast<QAction*>(object)) {
                translateAction(action);
            } else if (auto* edit = labelledEdit(object)) {
                // Done last, so the edit's key for its label wins over the label's own.
                labelledEdits.push_back(edit);
            } else if (object->isWidgetType()) {
                translateWidget(static_cast<QWidget*>(object));
            }
        }
        for (QLineEdit* edit : labelledEdits)
            translateLabelledEdit(edit);
    }

private:
    // The value of a key with the current text as default, escapes and references applied.
    QString text(const QString& key, const QString& current) const {
        const QString* found = entries_.find(key);
        return language_.Expand(found ? *found : current);
    }

    // Setters run only for a new text, so an edit keeps its cursor and undo history
    // and nothing emits a change signal for a text that stays.
    template <typename Set> void update(const QString& key, const QString& current, Set set) {
        const QString value = text(key, current);
        if (value != current)
            set(value);
    }

    void hint(QWidget* widget) {
        const QString value =
            text(widget->objectName() + QStringLiteral(".Hint"), widget->toolTip());
        if (!value.isEmpty() && value != widget->toolTip())
            widget->setToolTip(value);
    }

    QString item(const QString& name, int number) const {
        return name + u'.' + QString::number(number);
    }

    QList<QObject*> controls() const {
        QList<QObject*> result;
        QSet<QObject*> seen;
        auto add = [&](QObject* object) {
            if (!object->objectName().isEmpty() &&
                !object->objectName().startsWith(QLatin1String("qt_")) && !seen.contains(object)) {
                seen.insert(object);
                result.append(object);
            }
        };
        const QList<QObject*> all = form_->findChildren<QObject*>();
        for (QObject* object : all)
            if (owningForm(object, form_) == form_)
                add(object);
        // A menu of the form may hold actions that something else owns.
        for (QObject* object : all) {
            if (owningForm(object, form_) != form_)
                continue;
            if (auto* menu = qobject_cast<QMenu*>(object))
                for (QAction* a : menu->actions())
                    add(a);
            else if (auto* bar = qobject_cast<QMenuBar*>(object))
                for (QAction* a : bar->actions())
                    add(a);
        }
        return result;
    }

    void translateAction(QAction* action) {
        // A separator has no text to show; a key for it must not give it one.
        if (action->isSeparator())
            return;
        const QString name = action->objectName();
        update(name, action->text(), [&](const QString& v) { action->setText(v); });
        actionHint(action, name);
    }

    void actionHint(QAction* action, const QString& name) const {
        const QString value = text(name + QStringLiteral(".Hint"), action->statusTip());
        if (!value.isEmpty() && value != action->statusTip()) {
            action->setStatusTip(value);
            action->setToolTip(value);
        }
    }

    QLineEdit* labelledEdit(QObject* object) const {
        if (!isClass(object, "QLineEdit"))
            return nullptr;
        auto* edit = static_cast<QLineEdit*>(object);
        return buddyLabel(edit) ? edit : nullptr;
    }

    QLabel* buddyLabel(QLineEdit* edit) const {
        for (QLabel* label : form_->findChildren<QLabel*>())
            if (label->buddy() == edit)
                return label;
        return nullptr;
    }

    void translateLabelledEdit(QLineEdit* edit) {
        const QString name = edit->objectName();
        QLabel* label = buddyLabel(edit);
        update(name, label->text(), [&](const QString& v) { label->setText(v); });
        update(name + QStringLiteral(".Text"), edit->text(),
               [&](const QString& v) { edit->setText(v); });
        hint(edit);
    }

    void translateWidget(QWidget* w) {
        const QString name = w->objectName();
        const char* cls = w->metaObject()->className();
        auto is = [&](const char* c) { return qstrcmp(cls, c) == 0; };
        if (is("QLabel")) {
            auto* label = static_cast<QLabel*>(w);
            update(name, label->text(), [&](const QString& v) { label->setText(v); });
        } else if (is("QPushButton") || is("QToolButton") || is("QCheckBox") ||
                   is("QRadioButton")) {
            auto* button = static_cast<QAbstractButton*>(w);
            update(name, button->text(), [&](const QString& v) { button->setText(v); });
        } else if (is("QGroupBox")) {
            translateGroupBox(static_cast<QGroupBox*>(w));
        } else if (is("QLineEdit")) {
            auto* edit = static_cast<QLineEdit*>(w);
            update(name, edit->text(), [&](const QString& v) { edit->setText(v); });
        } else if (is("QComboBox")) {
            translateComboBox(static_cast<QComboBox*>(w));
        } else if (is("QListWidget")) {
            translateList(static_cast<QListWidget*>(w));
        } else if (is("QTabWidget")) {
            translateTabWidget(static_cast<QTabWidget*>(w));
        } else if (is("QTabBar")) {
            auto* bar = static_cast<QTabBar*>(w);
            for (int i = 0; i < bar->count(); ++i)
                update(item(name, i + 1), bar->tabText(i),
                       [&](const QString& v) { bar->setTabText(i, v); });
        } else if (is("QStatusBar")) {
            auto* bar = static_cast<QStatusBar*>(w);
            update(name, bar->currentMessage(), [&](const QString& v) { bar->showMessage(v); });
        } else if (is("QTableWidget")) {
            translateTable(static_cast<QTableWidget*>(w));
        } else if (is("QTreeWidget")) {
            int number = 0;
            for (QTreeWidgetItemIterator it(static_cast<QTreeWidget*>(w)); *it; ++it) {
                QTreeWidgetItem* node = *it;
                update(item(name, ++number), node->text(0),
                       [&](const QString& v) { node->setText(0, v); });
            }
        } else if (is("QMenu")) {
            auto* menu = static_cast<QMenu*>(w);
            update(name, menu->title(), [&](const QString& v) { menu->setTitle(v); });
            actionHint(menu->menuAction(), name);
            return;
        } else if (!is("QFrame")) {
            return;
        }
        hint(w);
    }

    void translateGroupBox(QGroupBox* box) {
        const QString name = box->objectName();
        update(name, box->title(), [&](const QString& v) { box->setTitle(v); });
        if (!box->property("radioGroup").toBool())
            return;
        const QList<QRadioButton*> buttons = radioItems(box);
        for (int i = 0; i < buttons.size(); ++i) {
            QRadioButton* b = buttons[i];
            update(item(name, i + 1), b->text(), [&](const QString& v) { b->setText(v); });
        }
    }

    // A radio group's items: its button group's order when it has one, else the
    // order its radio buttons were made in.
    static QList<QRadioButton*> radioItems(QGroupBox* box) {
        QList<QRadioButton*> result;
        if (auto* group = box->findChild<QButtonGroup*>(QString(), Qt::FindDirectChildrenOnly)) {
            for (QAbstractButton* b : group->buttons())
                if (auto* radio = qobject_cast<QRadioButton*>(b))
                    result.append(radio);
            return result;
        }
        return box->findChildren<QRadioButton*>();
    }

    void translateComboBox(QComboBox* combo) {
        const QString name = combo->objectName();
        const int selected = combo->currentIndex();
        for (int i = 0; i < combo->count(); ++i)
            update(item(name, i + 1), combo->itemText(i),
                   [&](const QString& v) { combo->setItemText(i, v); });
        if (combo->currentIndex() != selected)
            combo->setCurrentIndex(selected);
        // After the items, so a selected item's new text is the default of the edit text.
        if (combo->isEditable())
            update(name, combo->currentText(), [&](const QString& v) { combo->setEditText(v); });
    }

    void translateList(QListWidget* list) {
        const QString name = list->objectName();
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* entry = list->item(i);
            const QVariant state = entry->data(Qt::CheckStateRole);
            update(item(name, i + 1), entry->text(), [&](const QString& v) { entry->setText(v); });
            if (entry->data(Qt::CheckStateRole) != state)
                entry->setData(Qt::CheckStateRole, state);
        }
    }

    void translateTabWidget(QTabWidget* tabs) {
        for (int i = 0; i < tabs->count(); ++i) {
            const QString page = tabs->widget(i)->objectName();
            if (page.isEmpty())
                continue;
            update(page, tabs->tabText(i), [&](const QString& v) { tabs->setTabText(i, v); });
            const QString tip = text(page + QStringLiteral(".Hint"), tabs->tabToolTip(i));
            if (!tip.isEmpty() && tip != tabs->tabToolTip(i))
                tabs->setTabToolTip(i, tip);
        }
    }

    // The header cells numbered as in a grid whose fixed row is the column header and
    // whose fixed column is the row header, each counted only while shown: with both,
    // "name.1.1" is the corner and column C's header is "name.(C+1).1"; with the row
    // header hidden, column C's header is "name.C.1".
    void translateTable(QTableWidget* table) {
        const QString name = table->objectName();
        const int fixedRows = table->horizontalHeader()->isHidden() ? 0 : 1;
        const int fixedCols = table->verticalHeader()->isHidden() ? 0 : 1;
        auto cell = [&](int col, int row) {
            return name + u'.' + QString::number(col) + u'.' + QString::number(row);
        };
        QAbstractItemModel* model = table->model();
        if (fixedRows)
            for (int c = 0; c < table->columnCount(); ++c) {
                const QString current = model->headerData(c, Qt::Horizontal).toString();
                update(cell(c + 1 + fixedCols, 1), current, [&](const QString& v) {
                    if (QTableWidgetItem* header = table->horizontalHeaderItem(c))
                        header->setText(v);
                    else
                        table->setHorizontalHeaderItem(c, new QTableWidgetItem(v));
                });
            }
        if (fixedCols)
            for (int r = 0; r < table->rowCount(); ++r) {
                const QString current = model->headerData(r, Qt::Vertical).toString();
                update(cell(1, r + 1 + fixedRows), current, [&](const QString& v) {
                    if (QTableWidgetItem* header = table->verticalHeaderItem(r))
                        header->setText(v);
                    else
                        table->setVerticalHeaderItem(r, new QTableWidgetItem(v));
                });
            }
    }

    const TLanguage& language_;
    QWidget* form_;
    const LanguageEntries entries_;
};

} // namespace

void TranslateComponent(const TLanguage& language, QWidget* form) {
    if (!form || !QFileInfo::exists(language.CurrentFile()))
        return;
    FormTranslator(language, form).run();
}
