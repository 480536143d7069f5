#include "app/KeyboardShortcutsWindow.h"

#include "app/CommandTable.h"

#include <QDialog>
#include <QHeaderView>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace KeyboardShortcutsWindow {

void show(QWidget *parent, const CommandTable &commands)
{
    static QPointer<QDialog> shown;
    if (shown) {
        shown->raise();
        shown->activateWindow();
        return;
    }
    auto *window = new QDialog(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("keyboardShortcuts"));
    window->setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    auto *tree = new QTreeWidget(window);
    tree->setColumnCount(2);
    tree->setHeaderLabels({ QStringLiteral("Command"), QStringLiteral("Keys") });
    tree->setRootIsDecorated(false);
    tree->setAccessibleName(QStringLiteral("Keyboard shortcuts"));
    for (const CommandTable::KeyGroup &keyGroup : commands.keyGroups()) {
        auto *group = new QTreeWidgetItem(tree, { keyGroup.menu });
        QFont bold = group->font(0);
        bold.setBold(true);
        group->setFont(0, bold);
        group->setFirstColumnSpanned(true);
        for (const auto &[title, keys] : keyGroup.commands)
            new QTreeWidgetItem(group, { title, keys });
    }
    tree->expandAll();
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(tree);
    new QShortcut(QKeySequence::Close, window, window, &QDialog::close);
    window->resize(460, 560);
    window->show();
    shown = window;
}

} // namespace KeyboardShortcutsWindow
