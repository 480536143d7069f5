#include "platform/ToolkitServices.h"

#include "platform/AlertPresenter.h"
#include "platform/SystemBeep.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace {

QMessageBox::Icon iconFor(AlertStyle style)
{
    switch (style) {
    case AlertStyle::Critical:
        return QMessageBox::Critical;
    case AlertStyle::Warning:
        return QMessageBox::Warning;
    case AlertStyle::Informational:
        break;
    }
    // The program's own icon, as an ordinary alert panel has.
    return QMessageBox::NoIcon;
}

class MessageBoxPresenter : public AlertPresenter {
public:
    int present(const Alert &alert) override
    {
        QMessageBox box;
        box.setWindowTitle(alerts::localized(alert.title));
        box.setText(alerts::localized(alert.title));
        box.setInformativeText(alerts::localized(alert.message));
        box.setIcon(iconFor(alert.style));
        QList<QAbstractButton *> buttons;
        for (int i = 0; i < alert.buttons.size(); ++i) {
            auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
            buttons.append(box.addButton(alerts::localized(alert.buttons.at(i)), role));
        }
        if (!buttons.isEmpty())
            box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
        // Written to the log too: a report of a program that hangs or quits
        // then says what it was asking.
        qInfo().noquote() << "alert:" << alert.title;
        box.exec();
        const int index = buttons.indexOf(box.clickedButton());
        // A box ended with no button chosen (the program quits while it is
        // open) answers with the last one, the one that does nothing, never
        // with the action the first one offers.
        return index < 0 ? std::max(int(buttons.size()) - 1, 0) : index;
    }
};

} // namespace

namespace ToolkitServices {

void install()
{
    alerts::setPresenter(std::make_unique<MessageBoxPresenter>());
    SystemBeep::setPlayer([] { QApplication::beep(); });
}

} // namespace ToolkitServices
