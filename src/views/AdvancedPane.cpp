#include "views/PreferencePanes.h"

#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/AlertPresenter.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

struct AddressField {
    const char *variable;
    const char *label;
};

const AddressField fields[] = {
    { "VELTO_API_BASE", "Service:" },
    { "VELTO_SITE_BASE", "Account site:" },
    { "VELTO_PROBE_URL", "Reachability check:" },
    { "VELTO_SHORTENER_BASE", "Link shortener:" },
    { "VELTO_IMAGE_HOST_BASE", "Image host:" },
    { "VELTO_MAKER_SITE_BASE", "Velto's site:" },
};

QString defaultFor(const QString &variable)
{
    const OutsideAddresses d = OutsideAddresses::defaults();
    const QStringList names = OutsideAddresses::variableNames();
    const QString values[]
        = { d.apiBase, d.siteBase, d.probeUrl, d.shortenerBase, d.imageHostBase, d.makerSiteBase };
    const int index = int(names.indexOf(variable));
    return index >= 0 ? values[index] : QString();
}

// Stores an edited address once it is well formed; an empty field goes back
// to the built-in address. A malformed one is refused and never stored.
void addressEdited(QLineEdit *edit, const QString &variable)
{
    Preferences &prefs = Preferences::standard();
    const QString key = OutsideAddresses::storedKey(variable);
    const QString stored = prefs.rawString(key).value_or(QString());
    const QString text = edit->text();
    if (text == stored)
        return;
    if (text.isEmpty()) {
        prefs.removeRaw(key);
        return;
    }
    const QString problem = OutsideAddresses::addressProblem(text);
    if (!problem.isEmpty()) {
        edit->setText(stored);
        alerts::show(QStringLiteral("Address Not Saved"), problem, { QStringLiteral("OK") },
            AlertStyle::Warning);
        return;
    }
    prefs.setRawString(key, text);
}

} // namespace

namespace PreferencePanes {

QWidget *advanced()
{
    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("AdvancedPane"));
    auto *layout = new QVBoxLayout(pane);
    auto *intro = new QLabel(QStringLiteral("The addresses Velto talks to. Leave a field empty for "
                                            "the built-in address. Changes take effect the next "
                                            "time Velto starts."),
        pane);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto *form = new QFormLayout;
    for (const AddressField &field : fields) {
        const QString variable = QString::fromLatin1(field.variable);
        auto *edit = new QLineEdit(pane);
        edit->setObjectName(variable);
        edit->setAccessibleName(QString::fromLatin1(field.label).chopped(1));
        edit->setPlaceholderText(defaultFor(variable));
        edit->setText(Preferences::standard()
                          .rawString(OutsideAddresses::storedKey(variable))
                          .value_or(QString()));
        if (!qEnvironmentVariableIsEmpty(field.variable)) {
            edit->setReadOnly(true);
            edit->setText(qEnvironmentVariable(field.variable));
            edit->setToolTip(QStringLiteral("Set by %1 in the environment").arg(variable));
        } else {
            QObject::connect(edit, &QLineEdit::editingFinished, edit,
                [edit, variable] { addressEdited(edit, variable); });
        }
        form->addRow(QString::fromLatin1(field.label), edit);
    }
    layout->addLayout(form);
    layout->addStretch();
    pane->setMinimumWidth(520);
    return pane;
}

} // namespace PreferencePanes
