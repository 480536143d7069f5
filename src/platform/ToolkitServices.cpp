#include "platform/ToolkitServices.h"

#include "platform/AlertPresenter.h"
#include "platform/SystemBeep.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

class MessageBoxPresenter : public AlertPresenter {
public:
    int present(const Alert &alert) override
    {
        QMessageBox box;
        box.setWindowTitle(alerts::localized(alert.title));
        box.setText(alerts::localized(alert.title));
        box.setInformativeText(alerts::localized(alert.message));
        QList<QAbstractButton *> buttons;
        for (int i = 0; i < alert.buttons.size(); ++i) {
            auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
            buttons.append(box.addButton(alerts::localized(alert.buttons.at(i)), role));
        }
        if (!buttons.isEmpty())
            box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
        box.exec();
        const int index = buttons.indexOf(box.clickedButton());
        return index < 0 ? 0 : index;
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
