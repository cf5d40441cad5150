#include "ui/AppActions.h"

#include "app/uLanguages.h"
#include "platform/desktop/MessageBox.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLCDNumber>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBox>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>

namespace {

const char *const TagProperty = "Tag";

QString LookUp(const TLanguages &languages, const QString &lang, const QString &name)
{
    QString text;
    languages.GetRes(lang, name, text, QString());
    return text;
}

// The tab widget showing Page as one of its tabs, if any.
QTabWidget *OwningTabWidget(const QWidget *page)
{
    const QWidget *stack = page->parentWidget();
    if (!qobject_cast<const QStackedWidget *>(stack))
        return nullptr;
    auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget());
    return tabs && tabs->indexOf(page) >= 0 ? tabs : nullptr;
}

// An action is a menu item when a menu or menu bar shows it (a submenu through its
// menuAction()); other actions keep their designed texts.
bool IsMenuItem(const QAction *action)
{
    const QList<QObject *> shownBy = action->associatedObjects();
    return std::any_of(shownBy.cbegin(), shownBy.cend(), [](const QObject *object) {
        return qobject_cast<const QMenu *>(object) || qobject_cast<const QMenuBar *>(object);
    });
}

// A plain container frame; Qt's specialised frames (views, stacks, splitters...) are not
// panels, nor is a tab page that happens to be a frame.
bool IsPanel(const QObject *component)
{
    const auto *frame = qobject_cast<const QFrame *>(component);
    return frame && !qobject_cast<const QAbstractScrollArea *>(frame) &&
           !qobject_cast<const QStackedWidget *>(frame) && !qobject_cast<const QSplitter *>(frame) &&
           !qobject_cast<const QToolBox *>(frame) && !qobject_cast<const QLCDNumber *>(frame) &&
           !OwningTabWidget(frame);
}

// First matching kind wins, in this order: menu item, tool button, label, check box, push
// button, speed button, radio button, group box, panel, tab sheet. A speed button is a
// QToolButton in Qt (flat, takes no focus, may be checkable in an exclusive group), so the
// tool-button rule, which treats caption and hint alike, covers it.
void SetCaption(QObject *component, const QString &caption)
{
    if (auto *action = qobject_cast<QAction *>(component)) {
        action->setText(caption);
    } else if (auto *toolButton = qobject_cast<QToolButton *>(component)) {
        toolButton->setText(caption);
    } else if (auto *label = qobject_cast<QLabel *>(component)) {
        label->setText(caption);
    } else if (auto *checkBox = qobject_cast<QCheckBox *>(component)) {
        checkBox->setText(caption);
    } else if (auto *pushButton = qobject_cast<QPushButton *>(component)) {
        pushButton->setText(caption);
    } else if (auto *radioButton = qobject_cast<QRadioButton *>(component)) {
        radioButton->setText(caption);
    } else if (auto *groupBox = qobject_cast<QGroupBox *>(component)) {
        groupBox->setTitle(caption);
    } else if (IsPanel(component)) {
        // A frame draws no caption of its own; windowTitle is the standard widget property
        // for one (editable in Designer, read by accessibility and by an undocked frame).
        static_cast<QFrame *>(component)->setWindowTitle(caption);
    } else if (auto *page = qobject_cast<QWidget *>(component)) {
        if (QTabWidget *tabs = OwningTabWidget(page))
            tabs->setTabText(tabs->indexOf(page), caption);
    }
}

// Only menu items, tool (and speed) buttons and labels show a hint: the first three kinds,
// so no earlier kind can claim one of them.
void SetHint(QObject *component, const QString &hint)
{
    if (auto *action = qobject_cast<QAction *>(component)) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    } else if (qobject_cast<QToolButton *>(component) || qobject_cast<QLabel *>(component)) {
        static_cast<QWidget *>(component)->setToolTip(hint);
    }
}

void ApplyTexts(const TLanguages &languages, const QString &lang, QObject *component, int tag)
{
    if (const auto *action = qobject_cast<const QAction *>(component); action && !IsMenuItem(action))
        return;
    const QString id = QString::number(tag);
    const QString caption = LookUp(languages, lang, id);
    if (!caption.isEmpty())
        SetCaption(component, caption);
    const QString hint = LookUp(languages, lang, id + QStringLiteral("-Hint"));
    if (!hint.isEmpty())
        SetHint(component, hint);
}

} // namespace

void SetTag(QObject *Component, int Value) { Component->setProperty(TagProperty, Value); }

int Tag(const QObject *Component) { return Component->property(TagProperty).toInt(); }

void ApplyLanguage(QWidget *Form, const QString &Lang)
{
    if (!TLanguages::LangExists(Lang)) {
        TMessageBox::Show(QStringLiteral("Can't load language!"), QStringLiteral("Error"), TMsgIcon::Error);
        // Without its texts no window can be shown sensibly: end here, as a failed start.
        std::exit(EXIT_FAILURE);
    }
    const TLanguages &languages = TLanguages::GetInstance();
    // Depth first, each parent's children in the order they were created.
    const QList<QObject *> components = Form->findChildren<QObject *>();
    for (QObject *component : components) {
        const int tag = Tag(component);
        if (tag != 0)
            ApplyTexts(languages, Lang, component, tag);
    }
}
