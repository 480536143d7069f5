#include "platform/AlertPresenter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString localized(const QString &english)
{
    return QCoreApplication::translate("Velto", english.toUtf8().constData());
}

class MessageBoxPresenter : public AlertPresenter {
public:
    int present(const Alert &alert) override
    {
        QMessageBox box;
        box.setWindowTitle(localized(alert.title));
        box.setText(localized(alert.title));
        box.setInformativeText(localized(alert.message));
        QList<QAbstractButton *> buttons;
        for (int i = 0; i < alert.buttons.size(); ++i) {
            auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
            buttons.append(box.addButton(localized(alert.buttons.at(i)), role));
        }
        if (!buttons.isEmpty())
            box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
        box.exec();
        const int index = buttons.indexOf(box.clickedButton());
        return index < 0 ? 0 : index;
    }
};

std::unique_ptr<AlertPresenter> &slot()
{
    static std::unique_ptr<AlertPresenter> presenter;
    return presenter;
}

} // namespace

namespace alerts {

AlertPresenter &presenter()
{
    auto &p = slot();
    if (!p)
        p = std::make_unique<MessageBoxPresenter>();
    return *p;
}

void setPresenter(std::unique_ptr<AlertPresenter> presenter)
{
    slot() = std::move(presenter);
}

int show(const QString &title, const QString &message, const QStringList &buttons)
{
    return presenter().present(Alert{title, message, buttons});
}

void error(const QString &message)
{
    show(QStringLiteral("Error!"), message);
}

void success(const QString &message)
{
    show(QStringLiteral("Success!"), message);
}

} // namespace alerts
